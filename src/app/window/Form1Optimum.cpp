// SPDX-License-Identifier: MIT
// The "optimum" button: the whole instrument back to its start-up state, with the second set
// of calibration constants and generator 1 at a low amplitude.

#include "app/window/ErrorReport.h"
#include "app/window/TForm1.h"

#include "generator/AmplitudeReadout.h"

#include <QPushButton>

namespace app {

namespace {

// The volumes are read as at start-up, but neither stored nor changed: those restored at close
// stay the ones found when the program started, and the user's output level stays as it is.
// The readout shows generator 1's low amplitude with generator 2's factor until it next moves.
const TForm1::StartupVariant kOptimumVariant{.calibration = {.currentScale = 0.02644596,
                                                             .voltageScale = 0.035,
                                                             .gainL = 0.042,
                                                             .gainR = 0.0494},
                                             .saveVolumes = false,
                                             .setOutputVolume = false,
                                             .gen1Amplitude = 3000,
                                             .amplitudeText = generator::Gen2AmplitudeText,
                                             .selectorsLast = true};

} // namespace

void TForm1::BindOptimumHandler() {
    QObject::connect(Button2, &QPushButton::clicked, this,
                     Reported([this] { Button2Click(Button2); }));
}

void TForm1::Button2Click(QObject* /*Sender*/) {
    RunStartupSequence(kOptimumVariant);
}

} // namespace app
