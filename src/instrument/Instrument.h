// SPDX-License-Identifier: MIT
#pragma once

// The instrument as a model, without widgets: what it captured and measured, the ranges and
// time base in force, the generators' settings and the tone each output buffer carries, and the
// card's calibration. The window is one of its views: its handlers change the model and it
// draws from the model's state. Every measured block is published once, as one Readings value,
// to any number of subscribers (the window's log, the report, a calibration run, the remote
// control); none depends on another's order.
//
// Every member lives on the UI thread, as the window that drives it.

#include "analysis/ResponsePoints.h"
#include "display/Ranges.h"
#include "instrument/BlockAnalysis.h"
#include "measure/Channel.h"
#include "measure/LevelCalibration.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace instrument {

// One measured block as its subscribers see it. The spans point into the instrument's channel
// arrays and are valid only during the call that delivers the value.
struct Readings {
    std::chrono::steady_clock::time_point measuredAt{};
    double currentMa = 0; // rms readout of Edit4 (mA) and the frequency of Edit12 (Hz)
    double frequencyLHz = 0;
    double voltageMv = 0; // rms readout of Edit1 (mV) and the frequency of Edit8 (Hz)
    double frequencyRHz = 0;
    std::string currentText; // the readout texts, as the window shows them
    std::string frequencyLText;
    std::string voltageText;
    std::string frequencyRText;
    std::string rangeL; // the applied ranges by name ("100 mA", "1 V")
    std::string rangeR;
    std::string timeBase;    // the applied time base ("10 msec"); empty while none is applied
    double measuredLHz = 0;  // the half-wave timing's frequencies, also while the readouts
    double measuredRHz = 0;  // show generator 1's
    std::uint16_t peakL = 0; // largest |sample| of each channel, calibrated as ranging sees it
    std::uint16_t peakR = 0;
    double currentScale = 0; // mA and mV per rms sample unit, calibration included
    double voltageScale = 0;
    // mA (L) or mV (R) rms per rms sample unit of the block's own frames (samplesL/R). The
    // readouts' mean runs over twice the block's frames, the second half zero, so one unit of
    // the frames' own rms is worth the readout scale / sqrt 2: a clean sine's level in any
    // analysis of the frames then reads as its rms readout.
    double FrameScale(measure::Channel channel) const;
    // The tone generator 1 was playing while the block was captured; none while the output
    // carried anything else or was stopped.
    std::optional<analysis::Tone> tone{};
    std::span<const std::int32_t> samplesL{}; // the block's frames per channel, sample units
    std::span<const std::int32_t> samplesR{};
    // The block's AC and distortion analysis, computed on a subscriber's first call and shared
    // with the others; valid during the call only. Null in readings made outside an instrument.
    BlockAnalysis* analysis = nullptr;
};

class Instrument {
public:
    using Listener = std::function<void(const Readings&)>;

private:
    struct Listeners {
        std::map<int, Listener> byId;
        int nextId = 1;
    };

public:
    // A subscriber's place: the subscription ends when it is destroyed, before or after the
    // instrument.
    class Subscription {
    public:
        Subscription() = default;
        Subscription(Subscription&&) noexcept = default;
        Subscription& operator=(Subscription&& other) noexcept;
        ~Subscription();

    private:
        friend class Instrument;
        Subscription(std::weak_ptr<Listeners> listeners, int id)
            : listeners_(std::move(listeners)), id_(id) {}
        void End();
        std::weak_ptr<Listeners> listeners_;
        int id_ = 0;
    };

    // `calibration` holds the card's level factors, which every start-up and "optimum" applies.
    explicit Instrument(measure::LevelCalibration calibration = {});
    Instrument(const Instrument&) = delete;
    Instrument& operator=(const Instrument&) = delete;

    // `listener` is called with every block published from now on, until the subscription
    // goes. A listener may throw: the others are called all the same, and the first exception
    // is passed on once they have been.
    [[nodiscard]] Subscription Subscribe(Listener listener);

    // ---- Acquisition ----
    // Takes a captured buffer of 16-bit values as the latest block; it awaits publication.
    void StoreBlock(const char* buffer, int size);
    // Level of one channel of the latest block: samples, peak, extremes, rms and its text.
    // True when the readouts of channel L take their colour.
    bool MeasureLevel(measure::Channel channel);
    // Frequency of one channel from its half-waves. True when the range warning must go.
    bool MeasureFrequency(measure::Channel channel);
    // Publishes the latest block once, after it was measured; nothing when it already was.
    // `outputPlaying`: the playback stream runs and is not paused.
    void PublishMeasuredBlock(bool outputPlaying);

    // ---- Output ----
    // Generator 1 alone at a frequency, as the generators are set now; nothing while the
    // output carries anything else.
    std::optional<analysis::Tone> ToneNow() const;
    // The playback ring has `ringSize` buffers; forgets what they carried.
    void TrackPlayback(std::size_t ringSize);
    // A buffer was filled and queued: it carries ToneNow().
    void OutputBufferFilled();

    // The applied time base by name, "" while none is applied.
    std::string AppliedTimeBaseName() const;

    // ---- Program-wide variables (zero until start-up sets them) ----
    // Latest captured block, sign-extended 16-bit values; captureCount values are valid.
    std::array<std::int32_t, 44101> captureSamples{};
    std::int32_t captureCount = 0;
    std::int32_t periodicMode = 0;    // 1 periodic, 0 single-shot
    bool blockAwaitingReport = false; // a block arrived that has not been published yet

    // The card's level factors in force (1 = uncalibrated).
    const measure::LevelCalibration levelCalibration;
    // Level conversion (mA or mV per rms unit).
    double currentScale = 0;
    double voltageScale = 0;

    // Channel arrays of the latest block (L: current, R: voltage), filled by the level
    // measurement, and their statistics over positions 1 .. captureCount - 1.
    std::array<std::int32_t, 44100> samplesL{};
    std::array<std::int32_t, 44100> samplesR{};
    std::uint16_t peakL = 0;
    std::uint16_t peakR = 0;
    std::int32_t maxL = 0;
    std::int32_t maxR = 0;
    std::int32_t minL = 0;
    std::int32_t minR = 0;
    double currentRms = 0;   // mA
    double voltageRms = 0;   // mV
    std::string currentText; // the level readouts (Edit4, Edit1)
    std::string voltageText;

    // Frequencies: last half-wave timing and the one shown (Hz), with its readout text.
    double measuredFrequencyL = 0;
    double measuredFrequencyR = 0;
    double frequencyL = 0;
    double frequencyR = 0;
    std::string frequencyLText; // the frequency readouts (Edit12, Edit8)
    std::string frequencyRText;
    std::int16_t generatorTimeBase = 0; // 1: readouts show generator 1's frequency
    // Smoothed half-waves of each channel, shared by the frequency timing and the trigger search.
    std::array<std::int32_t, 44100> halfWaveL{};
    std::array<std::int32_t, 44100> halfWaveR{};
    std::uint16_t halfWaveStartL = 0;
    std::uint16_t halfWaveStartR = 0;
    std::int32_t smoothingL = 0;
    std::int32_t smoothingR = 0;

    // Ranges and time base.
    std::int32_t autoRangeL = 0;
    std::int32_t autoRangeR = 0;
    display::CurrentRange appliedRangeL = display::CurrentRange::mA100;
    display::VoltageRange appliedRangeR = display::VoltageRange::mV100;
    double scaleL = 0;
    double scaleR = 0;
    double divisionValueL = 0;
    double divisionValueR = 0;
    std::int32_t autoTimeBase = 0;
    double pointSpacing = 0;
    std::int32_t pointStride = 0;
    std::array<std::int32_t, 7> timeBaseApplied{}; // bands 1..7 at indices 0..6

    // Generators (sample units and Hz).
    std::int32_t generatorMode = 0;
    std::int32_t gen1Amplitude = 0;
    std::int32_t gen1Frequency = 0;
    std::int32_t gen2Amplitude = 0;
    std::int32_t gen2Frequency = 0;
    std::int32_t sweepRunning = 0;
    // The swept signal while a mode 1 block is computed (Hz, samples per 1 Hz rise, samples
    // since the last rise).
    std::int32_t rampFrequency = 0;
    std::int32_t rampStepSamples = 0;
    std::int32_t rampStepCounter = 0;
    // The automatic generator's run (Hz, Hz per step, ms between steps, steps).
    std::int32_t sweepFrom = 0;
    std::int32_t sweepTo = 0;
    std::int32_t sweepStep = 0;
    std::int32_t sweepInterval = 0;
    std::int32_t sweepStepCount = 0;
    std::int32_t sweepStepIndex = 0;

private:
    Readings MakeReadings(bool outputPlaying) const;

    analysis::PlayedTones playedTones_{1, std::nullopt};
    std::shared_ptr<Listeners> listeners_ = std::make_shared<Listeners>();
    BlockAnalysis blockAnalysis_; // shared by the subscribers of the block being published
};

} // namespace instrument
