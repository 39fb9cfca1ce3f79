// SPDX-License-Identifier: MIT
#pragma once

// The points of a frequency response, gathered from the measured blocks of a session, and the
// bookkeeping that tells which generator 1 tone a captured block really heard. Pure logic (no
// Qt), so that the rules are tested on their own; the frequency report (FrequencyReport.h)
// feeds them on the UI thread.
//
// The output lags the generator's settings: the playback ring holds several buffers, filled
// when they are queued, so a new frequency is heard only once the buffers queued before it have
// played (up to two seconds). PlayedTones follows the ring and names the tone of the buffer
// that is playing; ResponsePoints groups the blocks by that tone.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <utility>
#include <vector>

namespace analysis {

// Generator 1 playing alone (generator 2 silent, no swept signal) at this frequency (Hz) and
// amplitude (sample units). Any other output has no tone: it measures no response.
struct Tone {
    std::int32_t frequencyHz = 0;
    std::int32_t amplitude = 0;
    bool operator==(const Tone&) const = default;
};

// One point: the mean readouts (mA, mV, as the window showed them) of the blocks measured
// wholly within one stretch of an unchanged tone, and how many blocks that mean holds.
struct ResponsePoint {
    double frequencyHz = 0;
    double currentMa = 0;
    double voltageMv = 0;
    int blocks = 0;
    // The mean phase of the voltage against the current (degrees, < 0 when the current leads)
    // over the same blocks; nothing unless every one of them had a phase.
    std::optional<double> phaseDegrees{};
};

// Groups measured blocks into stretches of one tone. The blocks next to a change of tone are
// left out, because their capture may have heard both tones: the first block of a stretch,
// whose capture may have begun before the change, and the last one, because the card reports
// a played buffer and a captured block independently, so a block that heard the new tone can
// arrive just before the news of it. A stretch thus gives a point once it has three blocks. A
// block without a tone ends the stretch and counts for nothing. The same tone after another
// one starts a new stretch, so a frequency visited twice gives two points.
class ResponsePoints {
public:
    // `phaseDegrees`: the block's phase, nothing where its analysis found none.
    void AddBlock(const std::optional<Tone>& heard, double currentMa, double voltageMv,
                  std::optional<double> phaseDegrees = std::nullopt);
    // Every point so far in time order, the stretch still running included.
    std::vector<ResponsePoint> Points() const;

private:
    void EndStretch();

    // The latest block, held back.
    struct Block {
        double currentMa = 0;
        double voltageMv = 0;
        std::optional<double> phaseDegrees;
    };
    // Phases are averaged as unit vectors, so that -179 and 179 degrees mean 180, not 0.
    struct PhaseSum {
        double cos = 0;
        double sin = 0;
        int blocks = 0;
    };
    static ResponsePoint Mean(ResponsePoint sum, const PhaseSum& phases);

    std::vector<ResponsePoint> finished_;
    std::vector<PhaseSum> finishedPhases_;
    std::optional<Tone> tone_;
    ResponsePoint running_; // sums of the blocks counted so far
    PhaseSum runningPhases_;
    std::optional<Block> held_;
};

// The tones of the playback ring's buffers, oldest (playing) first. Each buffer filled is
// queued behind the others; once the ring is full, a fill means the oldest buffer has played
// out and was handed back to be filled again.
class PlayedTones {
public:
    // `ringSize` buffers, all filled with `queued` (the state right after playback started).
    PlayedTones(std::size_t ringSize, const std::optional<Tone>& queued);

    void BufferFilled(const std::optional<Tone>& tone);
    // The tone of the buffer the card plays now.
    const std::optional<Tone>& Playing() const { return ring_.front(); }

private:
    std::size_t ringSize_;
    std::deque<std::optional<Tone>> ring_;
};

// The impedance (ohm) of a point: voltage / current, nothing where no current flowed.
std::optional<double> ImpedanceOhms(const ResponsePoint& point);

// The series resistance and reactance (ohm) of a point: |Z| cos phi and |Z| sin phi; nothing
// without both the impedance and the phase.
std::optional<double> ResistanceOhms(const ResponsePoint& point);
std::optional<double> ReactanceOhms(const ResponsePoint& point);

} // namespace analysis
