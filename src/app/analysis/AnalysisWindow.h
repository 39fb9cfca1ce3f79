// SPDX-License-Identifier: MIT
#pragma once

// The analysis window ("fáze a impedance"): the AC readings of every block the instrument
// publishes (f0, I1, U1, phase, |Z|, R, X, series C or L, P, Q, S, cos phi), each in a
// read-only field with an object name (EditFrequency, EditCurrent, EditVoltage, EditPhase,
// EditImpedance, EditResistance, EditReactance, EditCapacitance, EditInductance,
// EditActivePower, EditReactivePower, EditApparentPower, EditPowerFactor) so that a script
// reads them, and the voltage-current figure (VoltageCurrentFigure). A top-level window whose
// QObject parent is the main window, so that scripts find its controls and it closes with it;
// the main window's menu entry fazeimpedance1 opens it. It follows the instrument only while it
// is shown: closed, it costs nothing. Used on the UI thread.

#include "instrument/Instrument.h"

#include <QWidget>

class QLineEdit;

namespace app {

class TForm1;
class VoltageCurrentFigure;

class AnalysisWindow : public QWidget {
public:
    static constexpr const char* kTitle = "fáze a impedance";

    // Builds the window hidden and binds `form`'s menu entry fazeimpedance1 to open it.
    explicit AnalysisWindow(TForm1& form);

    // Shows one block's readings (the window calls it for every block while it is shown).
    void ShowReadings(const instrument::Readings& readings);

    bool Following() const { return following_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void ShowNoReadings();

    instrument::Instrument& model_;
    instrument::Instrument::Subscription subscription_;
    bool following_ = false;
    bool placed_ = false;
    QLineEdit* frequency_ = nullptr;
    QLineEdit* current_ = nullptr;
    QLineEdit* voltage_ = nullptr;
    QLineEdit* phase_ = nullptr;
    QLineEdit* impedance_ = nullptr;
    QLineEdit* resistance_ = nullptr;
    QLineEdit* reactance_ = nullptr;
    QLineEdit* capacitance_ = nullptr;
    QLineEdit* inductance_ = nullptr;
    QLineEdit* activePower_ = nullptr;
    QLineEdit* reactivePower_ = nullptr;
    QLineEdit* apparentPower_ = nullptr;
    QLineEdit* powerFactor_ = nullptr;
    VoltageCurrentFigure* figure_ = nullptr;
};

} // namespace app
