// SPDX-License-Identifier: MIT
#include "instrument/Instrument.h"

#include "display/TimeBase.h"
#include "measure/Frequency.h"
#include "measure/Level.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <numbers>
#include <utility>
#include <vector>

namespace instrument {

using measure::Channel;

Instrument::Subscription& Instrument::Subscription::operator=(Subscription&& other) noexcept {
    if (this != &other) {
        End();
        listeners_ = std::move(other.listeners_);
        id_ = other.id_;
    }
    return *this;
}

Instrument::Subscription::~Subscription() {
    End();
}

void Instrument::Subscription::End() {
    if (const std::shared_ptr<Listeners> listeners = listeners_.lock()) {
        listeners->byId.erase(id_);
    }
    listeners_.reset();
}

Instrument::Instrument(measure::LevelCalibration calibration) : levelCalibration(calibration) {}

Instrument::Subscription Instrument::Subscribe(Listener listener) {
    const int id = listeners_->nextId++;
    listeners_->byId.emplace(id, std::move(listener));
    return Subscription(listeners_, id);
}

void Instrument::StoreBlock(const char* buffer, int size) {
    captureCount = size / 2;
    // Never more than the capture array holds, which also keeps the 16-bit counter in range.
    const int count = std::clamp(captureCount, 0, static_cast<int>(captureSamples.size()));
    for (std::uint16_t k = 0; k < count; ++k) {
        std::int16_t value;
        std::memcpy(&value, buffer + 2 * k, sizeof value);
        captureSamples[k] = value;
    }
    blockAwaitingReport = true;
}

bool Instrument::MeasureLevel(Channel channel) {
    const bool isL = channel == Channel::L;
    const measure::LevelResult result =
        measure::MeasureLevel(channel, captureSamples, captureCount, isL ? samplesL : samplesR,
                              isL ? currentScale : voltageScale);
    // Ranging sees the peak that the card's factor implies.
    (isL ? peakL : peakR) = measure::CalibratedPeak(result.peak, isL ? levelCalibration.current
                                                                     : levelCalibration.voltage);
    (isL ? maxL : maxR) = result.max;
    (isL ? minL : minR) = result.min;
    (isL ? currentRms : voltageRms) = result.rms;
    (isL ? currentText : voltageText) = result.text;
    return result.colourReadouts;
}

namespace {

measure::ThresholdRange ThresholdOf(display::VoltageRange range) {
    switch (range) {
    case display::VoltageRange::V20:
        return measure::ThresholdRange::Range20V;
    case display::VoltageRange::V50:
        return measure::ThresholdRange::Range50V;
    default:
        return measure::ThresholdRange::Own;
    }
}

} // namespace

bool Instrument::MeasureFrequency(Channel channel) {
    const bool isL = channel == Channel::L;
    double& scale = isL ? scaleL : scaleR;
    const measure::FrequencyInput input{isL ? samplesL : samplesR,
                                        captureCount,
                                        scale,
                                        isL ? measure::ThresholdRange::Own
                                            : ThresholdOf(appliedRangeR),
                                        generatorTimeBase == 1,
                                        gen1Frequency};
    const measure::HalfWaveRef halfWave{isL ? halfWaveL : halfWaveR,
                                        isL ? halfWaveStartL : halfWaveStartR,
                                        isL ? smoothingL : smoothingR};
    const measure::FrequencyResult result = measure::MeasureFrequency(channel, input, halfWave);
    (isL ? measuredFrequencyL : measuredFrequencyR) = result.measuredFrequency;
    (isL ? frequencyL : frequencyR) = result.frequency;
    (isL ? frequencyLText : frequencyRText) = result.text;
    scale = result.scale;
    return result.hidePanel14;
}

std::string Instrument::AppliedTimeBaseName() const {
    const auto applied = std::find(timeBaseApplied.begin(), timeBaseApplied.end(), 1);
    if (applied == timeBaseApplied.end()) {
        return {};
    }
    return display::TimeBandName(static_cast<int>(applied - timeBaseApplied.begin()) + 1);
}

double Readings::FrameScale(measure::Channel channel) const {
    return (channel == measure::Channel::L ? currentScale : voltageScale) / std::numbers::sqrt2;
}

Readings Instrument::MakeReadings(bool outputPlaying) const {
    // One value per captured frame: the channel arrays hold captureCount positions, of which
    // the latter half lies past the block.
    const auto count = static_cast<std::size_t>(
        std::clamp<std::int32_t>(captureCount / 2, 0, static_cast<std::int32_t>(samplesL.size())));
    return {std::chrono::steady_clock::now(), currentRms, frequencyL, voltageRms, frequencyR,
            currentText, frequencyLText, voltageText, frequencyRText,
            display::RowOf(appliedRangeL).name, display::RowOf(appliedRangeR).name,
            AppliedTimeBaseName(), measuredFrequencyL, measuredFrequencyR, peakL, peakR,
            currentScale, voltageScale,
            // A stopped or paused output plays no tone at all.
            outputPlaying ? playedTones_.Playing() : std::nullopt,
            std::span<const std::int32_t>(samplesL.data(), count),
            std::span<const std::int32_t>(samplesR.data(), count)};
}

void Instrument::PublishMeasuredBlock(bool outputPlaying) {
    if (!blockAwaitingReport) {
        return;
    }
    blockAwaitingReport = false;
    Readings readings = MakeReadings(outputPlaying);
    blockAnalysis_.Begin(readings.samplesL, readings.FrameScale(measure::Channel::L),
                         readings.samplesR, readings.FrameScale(measure::Channel::R));
    readings.analysis = &blockAnalysis_;
    // A listener may unsubscribe another one (or itself) while it is called.
    std::vector<int> ids;
    for (const auto& entry : listeners_->byId) {
        ids.push_back(entry.first);
    }
    std::exception_ptr failure;
    for (int id : ids) {
        const auto listener = listeners_->byId.find(id);
        if (listener == listeners_->byId.end()) {
            continue;
        }
        try {
            listener->second(readings);
        } catch (...) {
            if (!failure) {
                failure = std::current_exception();
            }
        }
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

std::optional<analysis::Tone> Instrument::ToneNow() const {
    if (generatorMode != 0 || gen2Amplitude != 0 || gen1Amplitude <= 0 || gen1Frequency <= 0) {
        return std::nullopt;
    }
    return analysis::Tone{gen1Frequency, gen1Amplitude};
}

void Instrument::TrackPlayback(std::size_t ringSize) {
    playedTones_ = analysis::PlayedTones(ringSize, std::nullopt);
}

void Instrument::OutputBufferFilled() {
    playedTones_.BufferFilled(ToneNow());
}

} // namespace instrument
