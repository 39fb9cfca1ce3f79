// SPDX-License-Identifier: MIT
// The instrument program: command line, application with the default error report, the sound
// card, the window; runs until the window closes.

#include "app/DeviceNotice.h"
#include "app/ErrorReport.h"
#include "app/ExitDeadline.h"
#include "app/FontCheck.h"
#include "app/Form1LayoutKit.h"
#include "app/MeasurementLog.h"
#include "app/Options.h"
#include "app/QtDispatcher.h"
#include "app/Script.h"
#include "app/ScriptRunner.h"
#include "app/SignalClose.h"
#include "app/StartupChecks.h"
#include "app/TForm1.h"

#include "platform/AudioSystemChoice.h"
#include "platform/BufferMemory.h"
#include "platform/CardLock.h"
#include "platform/sim/SimulatedSystem.h"
#include "platform/sim/SoundFileSource.h"

#include <QTimer>

#include <csignal>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>

namespace {

// The script's commands, parsed whole; throws with the line of the first error.
std::vector<app::ScriptCommand> ReadScript(const std::string& file) {
    std::stringstream text;
    if (file == "-") {
        text << std::cin.rdbuf();
    } else {
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            throw std::runtime_error("cannot read the script '" + file + "'");
        }
        text << in.rdbuf();
    }
    app::ParsedScript parsed = app::ParseScript(text.str());
    if (!parsed.error.empty()) {
        throw std::runtime_error("script '" + file + "', " + parsed.error);
    }
    return std::move(parsed.commands);
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
    if (const auto error = app::StartupError(options)) {
        std::cerr << "osciloskop: " << *error << '\n';
        return 2;
    }
    // A log read through a pipe that closes must not end the instrument; the failed write is
    // reported instead.
    std::signal(SIGPIPE, SIG_IGN);

    // Declared first so that it is destroyed last, after the sound card.
    app::ExitDeadline teardownDeadline;
    app::ErrorReportApplication application(argc, argv);
    app::QtDispatcher dispatcher;
    dispatcher.SetErrorSink(app::ReportError);
    platform::AudioSystem system;
    std::unique_ptr<app::MeasurementLog> log;
    std::vector<app::ScriptCommand> script;
    std::unique_ptr<platform::CardLock> cardLock;
    try {
        if (!options.script.empty()) {
            script = ReadScript(options.script);
        }
        if (options.input.empty()) {
            system = platform::OpenAudioSystem(options.audio, dispatcher);
        } else {
            system = platform::sim::OpenSimulatedSystem(
                dispatcher, std::make_unique<platform::sim::SoundFileSource>(options.input));
            system.description += ", input from '" + options.input + "'";
        }
        if (!system.card.empty() && !(cardLock = platform::CardLock::Take(system.card))) {
            throw std::runtime_error("sound card '" + system.card +
                                     "' is in use by another osciloskop; close that one first");
        }
        if (!options.log.empty()) {
            log = app::MeasurementLog::Open(options.log);
        }
    } catch (const std::exception& e) {
        std::cerr << "osciloskop: " << e.what() << '\n';
        return 2;
    }
    std::cerr << system.description << '\n';
    if (const auto notice =
            app::MissingFontNotice(app::layout::FormFont(), app::layout::kFormFontPackage)) {
        std::cerr << "osciloskop: " << *notice << '\n';
    }

    platform::HeapBufferMemory memory;
    auto form = std::make_unique<app::TForm1>(
        app::FormServices{*system.wave, *system.volume, memory, *system.mixer});
    if (log) {
        app::AttachMeasurementLog(*form, *log);
    }
    app::DeviceNotice deviceNotice(*form);
    system.wave->SetDeviceStatusListener([&deviceNotice](bool working, const std::string& reason) {
        deviceNotice.Show(working, reason);
    });
    std::unique_ptr<app::ScriptRunner> runner;
    if (!options.script.empty()) {
        if (auto error = app::CheckScript(script, *form); !error.empty()) {
            std::cerr << "osciloskop: script '" << options.script << "', " << error << '\n';
            form.reset();
            QCoreApplication::sendPostedEvents();
            return 2;
        }
        runner = std::make_unique<app::ScriptRunner>(std::move(script), *form);
    }
    if (options.quitAfterMs) {
        QTimer::singleShot(*options.quitAfterMs, form.get(), [&form] { form->close(); });
    }
    // Ending signals close the window as the user would, so the volumes are restored.
    app::SignalClose signalClose([&form] { form->close(); });
    form->show();
    if (runner) {
        runner->Start();
    }
    int result = application.exec();
    if (runner && result == 0) {
        result = runner->ExitCode();
    }
    if (signalClose.ReceivedSignal() != 0) {
        result = app::SignalClose::ExitCodeFor(signalClose.ReceivedSignal());
    }
    if (!options.screenshot.empty() &&
        !form->centralWidget()->grab().save(QString::fromStdString(options.screenshot), "PNG")) {
        std::cerr << "osciloskop: cannot save the screenshot '" << options.screenshot << "'\n";
        result = 1;
    }
    if (log && !log->Complete()) {
        std::cerr << "osciloskop: the readout log '" << options.log << "' is incomplete\n";
        result = result == 0 ? 1 : result;
    }
    // The streams close with the window; their close notifications release what the streams
    // left for them, so they are delivered before the sound card goes.
    system.wave->SetDeviceStatusListener({});
    teardownDeadline.Arm(result, std::chrono::milliseconds(800));
    form.reset();
    QCoreApplication::sendPostedEvents();
    return result;
}
