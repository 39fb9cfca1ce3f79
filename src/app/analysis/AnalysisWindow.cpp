// SPDX-License-Identifier: MIT
#include "app/analysis/AnalysisWindow.h"

#include "app/analysis/AcReadoutTexts.h"
#include "app/analysis/VoltageCurrentFigure.h"
#include "app/window/TForm1.h"
#include "app/window/layout/Form1LayoutKit.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace app {

namespace {

constexpr int kWidth = 700;
constexpr int kHeight = 400;
constexpr int kRowHeight = 28;
constexpr int kCaptionWidth = 130;
constexpr int kFieldWidth = 130;
constexpr int kMargin = 12;
const QColor kReadingText(255, 255, 255);

// One row: the Czech caption on the left, the read-only reading beside it.
QLineEdit* AddReadout(QWidget* window, int row, const char* name, const QString& caption,
                      const QColor& colour) {
    const int top = kMargin + row * kRowHeight;
    auto* label = new QLabel(caption, window);
    label->setObjectName(
        QString::fromLatin1(name).replace(QLatin1String("Edit"), QLatin1String("Label")));
    label->setGeometry(kMargin, top, kCaptionWidth, layout::kEditHeight);
    label->setFont(layout::FormFont(12));
    layout::SetColors(label, Qt::black, colour);
    auto* edit = layout::MakeEdit(
        window, name, QRect(kMargin + kCaptionWidth, top, kFieldWidth, layout::kEditHeight),
        QString::fromUtf8(kNoReading));
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::NoFocus);
    edit->setAlignment(Qt::AlignRight);
    edit->setFont(layout::FormFont(12));
    layout::SetColors(edit, Qt::black, colour);
    return edit;
}

} // namespace

AnalysisWindow::AnalysisWindow(TForm1& form) : QWidget(&form), model_(form.model) {
    setWindowFlag(Qt::Window);
    setObjectName(QStringLiteral("AnalysisWindow"));
    setWindowTitle(QString::fromUtf8(kTitle));
    setFixedSize(kWidth, kHeight);
    layout::SetColors(this, Qt::black, kReadingText);

    const QColor white = kReadingText;
    frequency_ = AddReadout(this, 0, "EditFrequency", QStringLiteral("kmitočet f0"), white);
    current_ = AddReadout(this, 1, "EditCurrent", QStringLiteral("proud I1"), layout::kYellow);
    voltage_ = AddReadout(this, 2, "EditVoltage", QStringLiteral("napětí U1"), layout::kAqua);
    phase_ = AddReadout(this, 3, "EditPhase", QStringLiteral("fáze φ"), white);
    impedance_ = AddReadout(this, 4, "EditImpedance", QStringLiteral("impedance |Z|"), white);
    resistance_ = AddReadout(this, 5, "EditResistance", QStringLiteral("odpor R"), white);
    reactance_ = AddReadout(this, 6, "EditReactance", QStringLiteral("reaktance X"), white);
    capacitance_ = AddReadout(this, 7, "EditCapacitance", QStringLiteral("kapacita C"), white);
    inductance_ = AddReadout(this, 8, "EditInductance", QStringLiteral("indukčnost L"), white);
    activePower_ = AddReadout(this, 9, "EditActivePower", QStringLiteral("činný výkon P"), white);
    reactivePower_ =
        AddReadout(this, 10, "EditReactivePower", QStringLiteral("jalový výkon Q"), white);
    apparentPower_ =
        AddReadout(this, 11, "EditApparentPower", QStringLiteral("zdánlivý výkon S"), white);
    powerFactor_ = AddReadout(this, 12, "EditPowerFactor", QStringLiteral("účiník cos φ"), white);

    figure_ = new VoltageCurrentFigure(this);
    figure_->setObjectName(QStringLiteral("VoltageCurrentFigure"));
    const int left = 2 * kMargin + kCaptionWidth + kFieldWidth;
    figure_->setGeometry(left, kMargin, kWidth - left - kMargin, kHeight - 2 * kMargin);

    QObject::connect(form.fazeimpedance1, &QAction::triggered, this, [this, &form] {
        if (!placed_) {
            // Beside the main window at first, so that neither hides the other, kept on its
            // screen.
            QPoint place = form.frameGeometry().topRight() + QPoint(1, 0);
            if (const QScreen* screen = form.screen()) {
                const QRect room = screen->availableGeometry();
                place.setX(std::max(room.left(), std::min(place.x(), room.right() - width())));
            }
            move(place);
            placed_ = true;
        }
        show();
        raise();
        activateWindow();
    });
}

void AnalysisWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!following_) {
        subscription_ = model_.Subscribe(
            [this](const instrument::Readings& readings) { ShowReadings(readings); });
        following_ = true;
    }
}

void AnalysisWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // Closed, the window neither analyses nor draws; what it showed is stale when it opens.
    subscription_ = {};
    following_ = false;
    ShowNoReadings();
    figure_->Clear();
}

void AnalysisWindow::ShowNoReadings() {
    for (QLineEdit* edit :
         {frequency_, current_, voltage_, phase_, impedance_, resistance_, reactance_, capacitance_,
          inductance_, activePower_, reactivePower_, apparentPower_, powerFactor_}) {
        edit->setText(QString::fromUtf8(kNoReading));
    }
}

void AnalysisWindow::ShowReadings(const instrument::Readings& readings) {
    if (readings.analysis == nullptr) {
        return;
    }
    const analysis::AcResult& ac = readings.analysis->Ac();
    const AcReadoutTexts texts = FormatAcReadouts(ac);
    const std::pair<QLineEdit*, const std::string*> fields[] = {
        {frequency_, &texts.frequency},
        {current_, &texts.current},
        {voltage_, &texts.voltage},
        {phase_, &texts.phase},
        {impedance_, &texts.impedance},
        {resistance_, &texts.resistance},
        {reactance_, &texts.reactance},
        {capacitance_, &texts.capacitance},
        {inductance_, &texts.inductance},
        {activePower_, &texts.activePower},
        {reactivePower_, &texts.reactivePower},
        {apparentPower_, &texts.apparentPower},
        {powerFactor_, &texts.powerFactor}};
    for (const auto& [edit, text] : fields) {
        // An unchanged field is not repainted.
        const QString shown = QString::fromStdString(*text);
        if (edit->text() != shown) {
            edit->setText(shown);
        }
    }
    const std::optional<double> rangeMa = RangeMilli(readings.rangeL);
    const std::optional<double> rangeMv = RangeMilli(readings.rangeR);
    if (rangeMa && rangeMv) {
        figure_->AddBlock(readings.samplesL, readings.FrameScale(measure::Channel::L),
                          readings.samplesR, readings.FrameScale(measure::Channel::R), *rangeMa,
                          *rangeMv,
                          ac.frequency ? std::optional(instrument::kBlockFrameRate / *ac.frequency)
                                       : std::nullopt);
    }
}

} // namespace app
