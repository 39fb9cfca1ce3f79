// SPDX-License-Identifier: MIT
// The ranges of both channels: automatic by the block's peak or chosen in the range boxes,
// applied (with a repaint) only when they change; and the reset of the display state.

#include "app/window/TForm1.h"
#include "app/window/layout/Form1LayoutKit.h"

#include "display/Ranges.h"

#include <QComboBox>
#include <QLineEdit>

#include <optional>

namespace app {

namespace {

// The program-wide variables one range of a channel sets.
struct RangeTarget {
    double& divisionValue;
    double& scale;
    QLineEdit* upper;
    QLineEdit* lower;
};

// Applies the wanted range when there is one and it is not the applied one.
template <typename Range>
void ApplyRange(TForm1& f, Range& applied, std::optional<Range> wanted, RangeTarget target) {
    if (!wanted || *wanted == applied) {
        return;
    }
    const display::RangeRow& row = display::RowOf(*wanted);
    target.divisionValue = row.divisionValue;
    target.upper->setText(QString::fromUtf8(row.upperText));
    target.lower->setText(QString::fromUtf8(row.lowerText));
    target.scale = row.scale;
    f.RepaintWindow();
    applied = *wanted;
}

// Only a changed text is set, so that start-up, where the labels already read so, touches
// nothing.
void ResetUnitText(QLineEdit* edit, const char* text) {
    const QString value = QString::fromUtf8(text);
    if (edit->text() != value) {
        edit->setText(value);
    }
}

} // namespace

void TForm1::SelectRangeL() {
    const std::optional<display::CurrentRange> wanted =
        model.autoRangeL == 1 ? std::optional(display::AutoCurrentRange(model.peakL))
                              : display::ManualCurrentRange(ComboBox9->currentIndex());
    ApplyRange(*this, model.appliedRangeL, wanted,
               {model.divisionValueL, model.scaleL, Edit2, Edit5});
}

void TForm1::SelectRangeR() {
    const std::optional<display::VoltageRange> wanted =
        model.autoRangeR == 1 ? std::optional(display::AutoVoltageRange(model.peakR))
                              : display::ManualVoltageRange(ComboBox10->currentIndex());
    ApplyRange(*this, model.appliedRangeR, wanted,
               {model.divisionValueR, model.scaleR, Edit18, Edit19});
}

void TForm1::ComboBox9Click(QObject* /*Sender*/) {
    model.autoRangeL = ComboBox9->currentIndex() == 0 ? 1 : 0;
}

void TForm1::ComboBox10Click(QObject* /*Sender*/) {
    model.autoRangeR = ComboBox10->currentIndex() == 0 ? 1 : 0;
}

void TForm1::ResetRangesAndTimeBase() {
    model.autoRangeL = 1;
    model.autoRangeR = 1;
    model.appliedRangeL = display::CurrentRange::mA100;
    model.appliedRangeR = display::VoltageRange::mV100;
    model.scaleL = 1.0;
    model.scaleR = 1.0;
    model.divisionValueL = 10.0;
    model.divisionValueR = 10.0;
    model.timeBaseApplied.fill(0);
    ResetUnitText(Edit18, layout::kUnitTextUpperR);
    ResetUnitText(Edit19, layout::kUnitTextLowerR);
    ResetUnitText(Edit2, layout::kUnitTextL);
    ResetUnitText(Edit5, layout::kUnitTextL);
}

} // namespace app
