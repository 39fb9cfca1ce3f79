// SPDX-License-Identifier: MIT
#pragma once

// The instrument's SCPI command set, acting on the window as a hand on its controls would (the
// same handlers, in the same order), and the readings it answers from: every published block
// while clients are connected, kept as the latest block for FETCh and handed to the MEASure
// queries that wait for the next one. Units are SI: volts, amperes, hertz, ohms, watts,
// seconds; phase in degrees, distortion in percent. A reading the block does not support is
// SCPI's not-a-number, 9.91E+37. UI thread only; the window must outlive it.

#include "scpi/CommandTable.h"
#include "scpi/Reply.h"

#include "instrument/Instrument.h"

#include <QTimer>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace app {

class TForm1;

// What the queries may ask of one block.
enum class Quantity { Voltage, Current, Frequency, Phase, Impedance, Power, Thd };
enum class Signal { Voltage, Current }; // channel R, channel L

// The values of one published block that the queries answer from.
struct BlockValues {
    double voltage = 0;                     // V rms
    double current = 0;                     // A rms
    std::optional<double> frequencyVoltage; // Hz, each channel's fundamental
    std::optional<double> frequencyCurrent;
    std::optional<double> phase;      // degrees, voltage against current
    std::optional<double> impedance;  // ohm
    std::optional<double> power;      // W, active
    std::optional<double> thdVoltage; // percent
    std::optional<double> thdCurrent;
    std::vector<std::int16_t> samplesVoltage; // the block's frames, sample units
    std::vector<std::int16_t> samplesCurrent;
    // V or A of one sample unit: the rms of the samples times it is the readout.
    double voltsPerUnit = 0;
    double amperesPerUnit = 0;
};

// The answer to a reading query; NaN (sent as 9.91E+37) where the block gives none.
double ValueOf(const BlockValues& block, Quantity quantity, Signal signal);

class RemoteControl {
public:
    // MEASure queries fail with -230 when no fitting block arrives within this time.
    static constexpr std::chrono::seconds kMeasureDeadline{5};

    // The response data a query makes of a block.
    using Answerer = std::function<std::string(const BlockValues&)>;

    explicit RemoteControl(TForm1& form);
    RemoteControl(const RemoteControl&) = delete;
    RemoteControl& operator=(const RemoteControl&) = delete;

    const scpi::CommandTable& Commands() const { return commands; }
    // Follows the published blocks while true (while any client is connected); a block costs
    // its analysis only then.
    void Follow(bool following);

private:
    struct Waiting {
        scpi::Reply reply;
        Answerer answer;
        std::chrono::steady_clock::time_point deadline;
    };

    void AddReadingCommands();
    void AddWaveformCommands();
    void AddCommonCommands();
    void AddGeneratorCommands();
    void AddSweepCommands();
    void AddDisplayCommands();
    void Reset();
    void Answer(scpi::Reply reply, Answerer answer, bool nextBlock);
    void OnBlock(const instrument::Readings& readings);
    void ExpireWaiting();

    TForm1& form;
    scpi::CommandTable commands;
    instrument::Instrument::Subscription subscription;
    std::optional<BlockValues> latest;
    std::optional<analysis::Tone> previousTone; // the tone the latest block carried
    int steadyBlocks = 0;                       // blocks in a row that carried it
    std::vector<Waiting> waiting;
    QTimer expiry;
};

} // namespace app
