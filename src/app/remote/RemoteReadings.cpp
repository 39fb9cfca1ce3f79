// SPDX-License-Identifier: MIT
// The reading and waveform queries: FETCh answers from the latest block, MEASure from the next
// one that was played and captured with the generators as they are now, so that a query sent
// right after a setting reads the new setting, never a block from before it.

#include "app/remote/RemoteControl.h"

#include "app/window/TForm1.h"

#include "instrument/BlockAnalysis.h"
#include "scpi/Error.h"

#include <cmath>
#include <limits>
#include <string>
#include <utility>

namespace app {

namespace {

constexpr std::chrono::milliseconds kExpiryCheck{250};
constexpr int kSteadyBlocks = 3;

Signal SignalOf(const scpi::Call& call) {
    if (call.parameters.empty()) {
        return Signal::Voltage;
    }
    return scpi::ToChoice(call.parameters[0], {"VOLTage", "CURRent"}) == 0 ? Signal::Voltage
                                                                           : Signal::Current;
}

std::vector<std::int16_t> Frames(std::span<const std::int32_t> samples) {
    return {samples.begin(), samples.end()};
}

// The value of one sample unit that makes the rms of the block's samples the readout. The
// readout's mean square also takes in the channel array's positions past the block, so the
// readout's own scale would not do; for a silent block, where any factor gives zeros, it does.
double PerUnit(double readout, std::span<const std::int32_t> samples, double scale) {
    double sum = 0;
    for (const std::int32_t sample : samples) {
        sum += static_cast<double>(sample) * sample;
    }
    const double rms = samples.empty() ? 0 : std::sqrt(sum / static_cast<double>(samples.size()));
    return rms > 0 ? readout / rms : scale;
}

BlockValues ValuesOf(const instrument::Readings& r) {
    BlockValues block;
    block.voltage = r.voltageMv / 1000;
    block.current = r.currentMa / 1000;
    block.samplesVoltage = Frames(r.samplesR);
    block.samplesCurrent = Frames(r.samplesL);
    block.voltsPerUnit = PerUnit(block.voltage, r.samplesR, r.voltageScale / 1000);
    block.amperesPerUnit = PerUnit(block.current, r.samplesL, r.currentScale / 1000);
    if (r.analysis != nullptr) {
        const analysis::AcResult& ac = r.analysis->Ac();
        block.phase = ac.phaseDegrees;
        block.impedance = ac.impedance;
        if (ac.activePower) {
            block.power = *ac.activePower / 1000;
        }
        // Each channel's own fundamental: the half-wave timing of the readouts is coarse
        // above a few hundred hertz (918.75 Hz for a 1 kHz tone).
        const analysis::DistortionResult& voltage = r.analysis->Distortion(measure::Channel::R);
        const analysis::DistortionResult& current = r.analysis->Distortion(measure::Channel::L);
        block.frequencyVoltage = voltage.frequency;
        block.frequencyCurrent = current.frequency;
        block.thdVoltage = voltage.thdPercent;
        block.thdCurrent = current.thdPercent;
    }
    return block;
}

RemoteControl::Answerer ReadingAnswer(Quantity quantity, Signal signal) {
    return [quantity, signal](const BlockValues& block) {
        return scpi::FormatNr3(ValueOf(block, quantity, signal));
    };
}

double OrNaN(const std::optional<double>& value) {
    return value.value_or(std::numeric_limits<double>::quiet_NaN());
}

} // namespace

double ValueOf(const BlockValues& block, Quantity quantity, Signal signal) {
    const bool voltage = signal == Signal::Voltage;
    switch (quantity) {
    case Quantity::Voltage:
        return block.voltage;
    case Quantity::Current:
        return block.current;
    case Quantity::Frequency:
        return OrNaN(voltage ? block.frequencyVoltage : block.frequencyCurrent);
    case Quantity::Phase:
        return OrNaN(block.phase);
    case Quantity::Impedance:
        return OrNaN(block.impedance);
    case Quantity::Power:
        return OrNaN(block.power);
    case Quantity::Thd:
        return OrNaN(voltage ? block.thdVoltage : block.thdCurrent);
    }
    return std::numeric_limits<double>::quiet_NaN();
}

RemoteControl::RemoteControl(TForm1& form) : form(form) {
    AddCommonCommands();
    AddReadingCommands();
    AddWaveformCommands();
    AddGeneratorCommands();
    AddSweepCommands();
    AddDisplayCommands();
    expiry.setInterval(kExpiryCheck);
    QObject::connect(&expiry, &QTimer::timeout, [this] { ExpireWaiting(); });
}

void RemoteControl::Follow(bool following) {
    if (!following) {
        subscription = {};
        previousTone.reset();
        steadyBlocks = 0;
        latest.reset(); // a client that comes later must not read an old block as the latest
        return;
    }
    subscription = form.model.Subscribe([this](const instrument::Readings& r) { OnBlock(r); });
}

void RemoteControl::AddReadingCommands() {
    struct Reading {
        const char* header;
        Quantity quantity;
        bool takesSignal;
    };
    const Reading readings[] = {{"VOLTage[:AC]", Quantity::Voltage, false},
                                {"CURRent[:AC]", Quantity::Current, false},
                                {"FREQuency", Quantity::Frequency, true},
                                {"PHASe", Quantity::Phase, false},
                                {"IMPedance", Quantity::Impedance, false},
                                {"POWer", Quantity::Power, false},
                                {"THD", Quantity::Thd, true}};
    for (const Reading& reading : readings) {
        const scpi::Arity arity{0, reading.takesSignal ? 1U : 0U};
        const Quantity quantity = reading.quantity;
        commands.Add(std::string("FETCh:") + reading.header, scpi::Form::Query, arity,
                     [this, quantity](scpi::Call& call) {
                         Answer(call.reply, ReadingAnswer(quantity, SignalOf(call)), false);
                     });
        commands.Add(std::string("MEASure:") + reading.header, scpi::Form::Query, arity,
                     [this, quantity](scpi::Call& call) {
                         Answer(call.reply, ReadingAnswer(quantity, SignalOf(call)), true);
                     });
    }
}

void RemoteControl::AddWaveformCommands() {
    commands.Add("WAVeform:DATA", scpi::Form::Query, {0, 1}, [this](scpi::Call& call) {
        const bool voltage = SignalOf(call) == Signal::Voltage;
        Answer(
            call.reply,
            [voltage](const BlockValues& block) {
                return scpi::FormatBlock(voltage ? block.samplesVoltage : block.samplesCurrent);
            },
            false);
    });
    // Points, seconds between them, and the volts or amperes of one sample unit.
    commands.Add("WAVeform:PREamble", scpi::Form::Query, {0, 1}, [this](scpi::Call& call) {
        const bool voltage = SignalOf(call) == Signal::Voltage;
        Answer(
            call.reply,
            [voltage](const BlockValues& block) {
                const std::size_t points =
                    voltage ? block.samplesVoltage.size() : block.samplesCurrent.size();
                return scpi::FormatNr1(static_cast<long long>(points)) + ',' +
                       scpi::FormatNr3(1 / instrument::kBlockFrameRate) + ',' +
                       scpi::FormatNr3(voltage ? block.voltsPerUnit : block.amperesPerUnit);
            },
            false);
    });
}

// FETCh and the waveform answer from the latest block; right after the first client came,
// before any block, they answer from the next one as MEASure does.
void RemoteControl::Answer(scpi::Reply reply, Answerer answer, bool nextBlock) {
    if (!nextBlock && latest) {
        reply.Send(answer(*latest));
        return;
    }
    waiting.push_back(
        {std::move(reply), std::move(answer), std::chrono::steady_clock::now() + kMeasureDeadline});
    expiry.start();
}

void RemoteControl::OnBlock(const instrument::Readings& r) {
    latest = ValuesOf(r);
    // Only a block that carried the tone the generators play now answers a MEASure query:
    // the blocks still in the output's queue when a setting changed do not. The tone a block
    // is marked with can change up to a block before its samples do, so the tone must have
    // lasted kSteadyBlocks blocks, as the frequency-response report asks too.
    steadyBlocks = r.tone == previousTone ? steadyBlocks + 1 : 1;
    previousTone = r.tone;
    const bool settled = r.tone == form.model.ToneNow() && steadyBlocks >= kSteadyBlocks;
    if (waiting.empty() || !settled) {
        return;
    }
    // Answering may run the clients' next commands, which may wait anew.
    std::vector<Waiting> answered = std::exchange(waiting, {});
    for (Waiting& w : answered) {
        w.reply.Send(w.answer(*latest));
    }
}

void RemoteControl::ExpireWaiting() {
    const auto now = std::chrono::steady_clock::now();
    std::vector<Waiting> expired;
    for (auto it = waiting.begin(); it != waiting.end();) {
        if (it->reply.Abandoned() || it->deadline <= now) {
            expired.push_back(std::move(*it));
            it = waiting.erase(it);
        } else {
            ++it;
        }
    }
    if (waiting.empty()) {
        expiry.stop();
    }
    for (Waiting& w : expired) {
        w.reply.Fail(scpi::kDataStale, "no block with the present generator setting arrived");
    }
}

} // namespace app
