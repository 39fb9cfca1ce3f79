// SPDX-License-Identifier: MIT
#pragma once

// Runs a parsed script on the window through the same signals that a user's click, choice,
// typing, double click, drag or menu choice produces, so that exactly the handlers bound to
// those run. Controls are found by object name and treated by their widget type. Commands run
// one after another from the event loop; `wait` lets the loop run, it never blocks it.

#include "app/script/Script.h"
#include "app/script/ScriptVerbs.h"

#include <QObject>

#include <functional>
#include <string>
#include <vector>

class QMainWindow;
class QWidget;

namespace app {

// Checks every control and menu entry that the script names against the window's objects
// before it is shown; returns "line N: ..." for the first that does not fit, empty when all do.
std::string CheckScript(const std::vector<ScriptCommand>& commands, QMainWindow& window);

class ScriptRunner : public QObject {
public:
    ScriptRunner(std::vector<ScriptCommand> commands, QMainWindow& window);
    ~ScriptRunner() override;

    // Writes the report of `report FILE` to the file; returns an error text, empty on success.
    using ReportWriter = std::function<std::string(const std::string& file)>;
    void SetReportWriter(ReportWriter writer) { reportWriter_ = std::move(writer); }
    // Writes the averaged spectrum of `spectrum FILE`, as the report writer does.
    void SetSpectrumWriter(ReportWriter writer) { spectrumWriter_ = std::move(writer); }

    // Runs the first command from the event loop once it is running.
    void Start();
    // 0 while every command did what it said, 1 after a failed `expect` or a refused action.
    int ExitCode() const { return exitCode_; }

private:
    friend std::span<const ScriptVerbEntry> ScriptVerbs();

    void RunNext();
    // Performs one command through its entry in the table; returns an error text, empty on
    // success.
    std::string Perform(const ScriptCommand& command);
    void Fail(const ScriptCommand& command, const std::string& message);

    // The performers that the table names, one for each command.
    std::string PerformWait(const ScriptCommand& command, QWidget* control);
    std::string PerformClick(const ScriptCommand& command, QWidget* control);
    std::string PerformSelect(const ScriptCommand& command, QWidget* control);
    std::string PerformType(const ScriptCommand& command, QWidget* control);
    std::string PerformDoubleClick(const ScriptCommand& command, QWidget* control);
    std::string PerformScroll(const ScriptCommand& command, QWidget* control);
    std::string PerformMenu(const ScriptCommand& command, QWidget* control);
    std::string PerformScreenshot(const ScriptCommand& command, QWidget* control);
    std::string PerformExpect(const ScriptCommand& command, QWidget* control);
    std::string PerformCheckTexts(const ScriptCommand& command, QWidget* control);
    std::string PerformQuit(const ScriptCommand& command, QWidget* control);
    std::string PerformReport(const ScriptCommand& command, QWidget* control);
    std::string PerformCalibration(const ScriptCommand& command, QWidget* control);
    std::string PerformWindowShot(const ScriptCommand& command, QWidget* control);
    std::string PerformSpectrum(const ScriptCommand& command, QWidget* control);

    std::vector<ScriptCommand> commands_;
    QMainWindow& window_;
    std::size_t next_ = 0;
    int exitCode_ = 0;
    ReportWriter reportWriter_;
    ReportWriter spectrumWriter_;
};

} // namespace app
