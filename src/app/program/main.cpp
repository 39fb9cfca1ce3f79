// SPDX-License-Identifier: MIT
// The instrument program: command line, application with the default error report, the sound
// card, the window; runs until the window closes.

#include "app/analysis/AnalysisWindow.h"
#include "app/calibration/CalibrationRun.h"
#include "app/calibration/CalibrationStore.h"
#include "app/program/DeviceNotice.h"
#include "app/program/ExitDeadline.h"
#include "app/program/FontCheck.h"
#include "app/program/InputWait.h"
#include "app/program/LossReport.h"
#include "app/program/MeasurementLog.h"
#include "app/program/Options.h"
#include "app/program/QtDispatcher.h"
#include "app/program/SignalClose.h"
#include "app/program/StartupChecks.h"
#include "app/remote/RemoteControl.h"
#include "app/remote/RemoteServer.h"
#include "app/report/FrequencyReport.h"
#include "app/script/Script.h"
#include "app/script/ScriptRunner.h"
#include "app/spectrum/SpectrumWindow.h"
#include "app/widgets/WidgetPicture.h"
#include "app/window/ErrorReport.h"
#include "app/window/TForm1.h"
#include "app/window/layout/Form1LayoutKit.h"

#include "platform/AudioSystemChoice.h"
#include "platform/BufferMemory.h"
#include "platform/CardLock.h"
#include "platform/VolumeJournal.h"
#include "platform/sim/MeasuringUnit.h"
#include "platform/sim/SimulatedSystem.h"
#include "platform/sim/SoundFileSource.h"

#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <iostream>
#include <optional>
#include <stdexcept>

namespace {

// The script's commands, parsed whole; throws with the line of the first error.
std::vector<app::ScriptCommand> ReadScript(const std::string& file, app::InputWait& wait) {
    app::ParsedScript parsed = app::ParseScript(wait.ReadAll(file, "the script"));
    if (!parsed.error.empty()) {
        throw std::runtime_error("script '" + file + "', " + parsed.error);
    }
    return std::move(parsed.commands);
}

// The sound card of this run: the simulated one with the --load or playing --input, or the
// --audio choice.
platform::AudioSystem OpenSoundCard(const app::Options& options, platform::Dispatcher& dispatcher,
                                    app::InputWait& inputWait) {
    if (!options.load.empty()) {
        platform::AudioSystem system = platform::sim::OpenSimulatedSystem(
            dispatcher, std::make_unique<platform::sim::MeasuringUnit>(
                            *platform::sim::LoadNamed(options.load)));
        system.description += ", load " + options.load;
        return system;
    }
    if (options.input.empty()) {
        return platform::OpenAudioSystem(options.audio, dispatcher);
    }
    inputWait.WaitForData(options.input, "the input");
    platform::AudioSystem system = platform::sim::OpenSimulatedSystem(
        dispatcher, std::make_unique<platform::sim::SoundFileSource>(options.input));
    system.description += ", input from '" + options.input + "'";
    return system;
}

// What a run opens before its window: the script, the sound card and its lock, the log.
struct RunResources {
    std::vector<app::ScriptCommand> script;
    platform::AudioSystem system;
    std::unique_ptr<platform::CardLock> cardLock;
    std::unique_ptr<app::MeasurementLog> log;
};

// Throws with the message for the user, or WaitEnded when a close request ended a wait for
// input. The sound card's start is bounded by `startDeadline`, which the caller keeps until the
// window shows.
RunResources OpenResources(const app::Options& options, platform::Dispatcher& dispatcher,
                           std::optional<app::ExitDeadline>& startDeadline) {
    RunResources resources;
    app::InputWait inputWait(options.quitAfterMs);
    if (!options.script.empty()) {
        resources.script = ReadScript(options.script, inputWait);
        if (const auto error = app::ScriptReportError(resources.script)) {
            throw std::runtime_error("script '" + options.script + "', " + *error);
        }
    }
    if (options.calibrate && !options.calibrate->reset) {
        // Known before the measurement, not after it.
        if (const std::string error = app::CalibrationStore().WritableError(); !error.empty()) {
            throw std::runtime_error(error);
        }
    }
    if (options.input.empty() && options.audio != "sim") {
        startDeadline.emplace().Arm(2, std::chrono::milliseconds(3500),
                                    "the sound server does not answer; nothing was changed. "
                                    "Start the instrument again once it answers, or use "
                                    "--audio sim");
    }
    resources.system = OpenSoundCard(options, dispatcher, inputWait);
    const std::string& card = resources.system.card;
    if (!card.empty() && !(resources.cardLock = platform::CardLock::Take(card))) {
        throw std::runtime_error("sound card '" + card +
                                 "' is in use by another osciloskop; close that one first");
    }
    if (!options.log.empty()) {
        resources.log = app::MeasurementLog::Open(options.log);
    }
    return resources;
}

// The exit code once the window has closed: the event loop's, then the script's or the
// calibration's verdict, and 128 + n after an ending signal n.
int ExitCodeAfterClose(int result, const app::ScriptRunner* runner,
                       const app::CalibrationRun* calibrationRun,
                       const app::SignalClose& signalClose) {
    if (runner && result == 0) {
        result = runner->ExitCode();
    }
    if (calibrationRun) {
        result = calibrationRun->ExitCode(result);
    }
    if (signalClose.ReceivedSignal() != 0) {
        result = app::SignalClose::ExitCodeFor(signalClose.ReceivedSignal());
    }
    return result;
}

// The files the run was asked to write when the window has closed. A screenshot that cannot be
// saved makes the exit code 1; an unwritten report or spectrum or an incomplete log turns a 0
// into 1.
int WriteClosingFiles(int result, const app::Options& options, QWidget& window,
                      const app::FrequencyReport* report, app::spectrum::SpectrumWindow& spectrum,
                      app::MeasurementLog* log) {
    if (!options.screenshot.empty()) {
        if (const std::string error = app::SaveWidgetPicture(window, options.screenshot);
            !error.empty()) {
            std::cerr << "osciloskop: " << error << '\n';
            result = 1;
        }
    }
    if (!options.report.empty()) {
        if (const std::string error = report->Write(options.report, std::cerr); !error.empty()) {
            std::cerr << "osciloskop: " << error << '\n';
            result = result == 0 ? 1 : result;
        }
    }
    if (!options.spectrum.empty()) {
        if (const std::string error = spectrum.Write(options.spectrum); !error.empty()) {
            std::cerr << "osciloskop: " << error << '\n';
            result = result == 0 ? 1 : result;
        }
    }
    if (log) {
        const std::string error = log->Finish();
        if (!log->Complete() || !error.empty()) {
            std::cerr << "osciloskop: the readout log '" << options.log << "' is incomplete"
                      << (error.empty() ? "" : ": " + error) << '\n';
            result = result == 0 ? 1 : result;
        }
    }
    return result;
}

// One line on standard error when the card lost blocks while the window was open.
void TellLostBlocks(const platform::WaveService& wave,
                    std::chrono::steady_clock::time_point started) {
    const auto ran = std::chrono::duration_cast<std::chrono::seconds>(
        std::chrono::steady_clock::now() - started);
    const platform::WaveService::LostBlocks lost = wave.Lost();
    if (const std::string line = app::LostBlocksLine(lost.overruns, lost.underruns, ran);
        !line.empty()) {
        std::cerr << line << '\n';
    }
}

} // namespace

int main(int argc, char** argv) {
    const app::ParsedCommandLine parsed =
        app::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (parsed.action != app::ParsedCommandLine::Action::Run) {
        (parsed.exitCode == 0 ? std::cout : std::cerr) << parsed.message;
        return parsed.exitCode;
    }
    const app::Options& options = parsed.options;
    if (options.listCalibration) {
        return app::ListCalibration(std::cout, std::cerr);
    }
    if (const auto error = app::StartupError(options)) {
        std::cerr << "osciloskop: " << *error << '\n';
        return 2;
    }
    // A log read through a pipe that closes, or a file size limit (ulimit -f) reached, must not
    // end the instrument: the failed write is reported instead and the earlier file kept.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);

    // Declared first so that it is destroyed last, after the sound card.
    app::ExitDeadline teardownDeadline;
    app::ErrorReportApplication application(argc, argv);
    app::QtDispatcher dispatcher;
    dispatcher.SetErrorSink(app::ReportError);
    // A sound server that stopped answering holds the sound library's start without end.
    std::optional<app::ExitDeadline> startDeadline;
    RunResources resources;
    try {
        resources = OpenResources(options, dispatcher, startDeadline);
    } catch (const app::WaitEnded& ended) {
        return ended.ExitCode();
    } catch (const std::exception& e) {
        std::cerr << "osciloskop: " << e.what() << '\n';
        return 2;
    }
    // The remote-control port is taken before the window opens, so that a refused one ends
    // the run with nothing shown.
    std::optional<app::RemoteServer> remoteServer;
    if (options.scpiPort) {
        if (const std::string error =
                remoteServer.emplace().Listen(*options.scpiPort, options.scpiListen);
            !error.empty()) {
            std::cerr << "osciloskop: " << error << '\n';
            return 2;
        }
        std::cerr << "osciloskop: SCPI remote control on " << remoteServer->Where() << '\n';
    }
    platform::AudioSystem& system = resources.system;
    std::cerr << system.description << '\n';
    if (const auto notice =
            app::MissingFontNotice(app::layout::FormFont(), app::layout::kFormFontPackage)) {
        std::cerr << "osciloskop: " << *notice << '\n';
    }
    // A calibration run measures uncalibrated; any other run applies the card's factors.
    const std::string calibrationCard = app::CalibrationIdentity(system.card);
    if (options.calibrate && options.calibrate->reset) {
        return app::ResetCalibration(calibrationCard, options.calibrate->channel, std::cout,
                                     std::cerr);
    }
    const measure::LevelCalibration calibration =
        options.calibrate ? measure::LevelCalibration{}
                          : app::LoadLevelCalibration(calibrationCard, std::cerr);

    // The user's volumes on disk while the instrument holds them; the simulated card's live in
    // memory and die with it.
    std::optional<platform::VolumeJournal> volumeJournal;
    if (!system.card.empty()) {
        volumeJournal.emplace(system.card);
    }
    platform::HeapBufferMemory memory;
    std::optional<app::FrequencyReport> report;
    if (!options.report.empty() || !options.script.empty()) {
        report.emplace(system.description);
    }
    // The volumes are taken once nothing can refuse the start any more: see below.
    auto form = std::make_unique<app::TForm1>(
        app::FormServices{*system.wave, *system.volume, memory, *system.mixer,
                          volumeJournal ? &*volumeJournal : nullptr,
                          /*takeVolumesAtCreation=*/false},
        nullptr, calibration);
    new app::AnalysisWindow(*form); // hidden until its menu entry opens it; owned by the form
    // The listeners of the instrument's readings, in any order.
    if (resources.log) {
        resources.log->Follow(form->model);
    }
    if (report) { // for --report and for the script's `report` command
        report->Follow(form->model);
    }
    // Opened by the menu; --spectrum and the script's `spectrum` command need its average
    // whether or not it opens.
    auto* spectrum = new app::spectrum::SpectrumWindow(*form);
    if (!options.spectrum.empty() ||
        std::ranges::any_of(resources.script, [](const app::ScriptCommand& command) {
            return command.verb == app::ScriptVerb::Spectrum;
        })) {
        spectrum->KeepFollowing();
    }
    std::unique_ptr<app::CalibrationRun> calibrationRun;
    if (options.calibrate) {
        calibrationRun = std::make_unique<app::CalibrationRun>(
            *options.calibrate, calibrationCard, form->model, [&form] { form->close(); });
    }
    std::unique_ptr<app::RemoteControl> remoteControl;
    if (remoteServer) {
        remoteControl = std::make_unique<app::RemoteControl>(*form);
        remoteServer->SetActivityListener(
            [&remoteControl](bool anyClient) { remoteControl->Follow(anyClient); });
        remoteServer->Serve(remoteControl->Commands());
    }
    app::DeviceNotice deviceNotice(*form);
    system.wave->SetDeviceStatusListener(
        [&deviceNotice, &form](bool working, const std::string& reason) {
            deviceNotice.Show(working, reason);
            if (working) {
                form->VolumesReturned();
            }
        });
    std::unique_ptr<app::ScriptRunner> runner;
    if (!options.script.empty()) {
        if (auto error = app::CheckScript(resources.script, *form); !error.empty()) {
            std::cerr << "osciloskop: script '" << options.script << "', " << error << '\n';
            form.reset();
            QCoreApplication::sendPostedEvents();
            return 2;
        }
        runner = std::make_unique<app::ScriptRunner>(std::move(resources.script), *form);
        runner->SetReportWriter(
            [&report](const std::string& file) { return report->Write(file, std::cerr); });
        runner->SetSpectrumWriter(
            [spectrum](const std::string& file) { return spectrum->Write(file); });
    }
    if (options.quitAfterMs) {
        QTimer::singleShot(*options.quitAfterMs, form.get(), [&form] { form->close(); });
    }
    // Ending signals close the window as the user would, so the volumes are restored.
    app::SignalClose signalClose([&form] { form->close(); });
    form->show();
    startDeadline.reset();
    // Every refusal has passed, an ending signal closes the window, and the start deadline's
    // "nothing was changed" is over: only now is anything changed.
    form->TakeUserVolumes();
    const auto started = std::chrono::steady_clock::now();
    if (runner) {
        runner->Start();
    }
    int result =
        ExitCodeAfterClose(application.exec(), runner.get(), calibrationRun.get(), signalClose);
    result = WriteClosingFiles(result, options, *form->centralWidget(), report ? &*report : nullptr,
                               *spectrum, resources.log.get());
    TellLostBlocks(*system.wave, started);
    // The streams close with the window; their close notifications release what the streams
    // left for them, so they are delivered before the sound card goes.
    system.wave->SetDeviceStatusListener({});
    teardownDeadline.Arm(result, std::chrono::milliseconds(800));
    remoteServer.reset(); // its clients' sessions go before the commands they use
    remoteControl.reset();
    form.reset();
    QCoreApplication::sendPostedEvents();
    return result;
}
