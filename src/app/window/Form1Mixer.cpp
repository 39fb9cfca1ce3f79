// SPDX-License-Identifier: MIT
// The menu command "mix. pult ": starts the system's mixer program, the first found of a short
// list, and goes on at once; when none is found or it cannot start, nothing is said.

#include "app/window/ErrorReport.h"
#include "app/window/TForm1.h"

#include "platform/ProgramLauncher.h"

#include <QAction>

#include <array>

namespace app {

namespace {

// The sound server's volume control, then the ALSA mixer in a terminal.
const std::array<platform::ProgramCommand, 3> kMixerPrograms{
    platform::ProgramCommand{{"pavucontrol"}, ""}, platform::ProgramCommand{{"pavucontrol-qt"}, ""},
    platform::ProgramCommand{{"x-terminal-emulator", "-e", "alsamixer"}, "alsamixer"}};

} // namespace

void TForm1::BindMixerHandler() {
    QObject::connect(mix1, &QAction::triggered, this, Reported([this] { mix1Click(mix1); }));
}

void TForm1::mix1Click(QObject* /*Sender*/) {
    platform::StartFirstFound(kMixerPrograms);
}

} // namespace app
