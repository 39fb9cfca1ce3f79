// SPDX-License-Identifier: MIT
// The display's selectors: the current and voltage range boxes and the time base box, set by
// an item's value (in A, V or s), by AUTO, or for the time base by GENerator, and read back
// the same way. The values come from the boxes' own item texts ("   100 mA", "   20 msec"), so
// the commands offer exactly what the window offers.

#include "app/remote/RemoteControl.h"

#include "app/window/TForm1.h"

#include "scpi/Error.h"

#include <QComboBox>

#include <cmath>
#include <optional>

namespace app {

namespace {

constexpr int kAutoItem = 0;
constexpr int kGeneratorItem = 8; // the time base box's " generátoru"

// The value of an item text in its base unit: "  500 mA" is 0.5, "   20 msec" 0.02; none for
// the items that name no value.
std::optional<double> ItemValue(const QString& text) {
    const QStringList words = text.simplified().split(QLatin1Char(' '));
    if (words.size() != 2) {
        return std::nullopt;
    }
    bool isNumber = false;
    const double number = words[0].toDouble(&isNumber);
    if (!isNumber) {
        return std::nullopt;
    }
    const QString& unit = words[1];
    const bool milli = unit.startsWith(QLatin1Char('m')) && unit.size() > 1;
    return milli ? number / 1000 : number;
}

// The item whose value is `value` (to a part in a million), or -222 naming what is offered.
int ItemOf(const QComboBox* box, double value, const std::string& unit) {
    std::string offered;
    for (int item = 0; item < box->count(); ++item) {
        if (const auto itemValue = ItemValue(box->itemText(item))) {
            if (std::abs(*itemValue - value) <= 1e-6 * *itemValue) {
                return item;
            }
            offered += (offered.empty() ? "" : ", ") + scpi::FormatNr3(*itemValue);
        }
    }
    throw scpi::Error(scpi::kDataOutOfRange,
                      "no such setting; AUTO or one of " + offered + " " + unit);
}

// A selector's choice from a parameter: AUTO, GENerator where `generator` is set, or a value.
int ChoiceOf(const QComboBox* box, const scpi::Parameter& p, const scpi::Range& range,
             bool generator) {
    if (p.type == scpi::Parameter::Type::Character && p.text != "MIN" && p.text != "MAX" &&
        p.text != "MINIMUM" && p.text != "MAXIMUM") {
        const std::size_t choice =
            generator ? scpi::ToChoice(p, {"AUTO", "GENerator"}) : scpi::ToChoice(p, {"AUTO"});
        return choice == 0 ? kAutoItem : kGeneratorItem;
    }
    return ItemOf(box, scpi::ToNumber(p, range), range.unit == "S" ? "s" : std::string(range.unit));
}

std::string SelectorAnswer(const QComboBox* box) {
    const int item = box->currentIndex();
    if (item == kAutoItem) {
        return "AUTO";
    }
    if (const auto value = ItemValue(box->itemText(item))) {
        return scpi::FormatNr3(*value);
    }
    return "GEN";
}

} // namespace

void RemoteControl::AddDisplayCommands() {
    struct Selector {
        const char* header;
        QComboBox* TForm1::*box;
        void (TForm1::*handler)(QObject*);
        scpi::Range range;
        bool generator;
    };
    const Selector selectors[] = {{"DISPlay:RANGe:CURRent",
                                   &TForm1::ComboBox9,
                                   &TForm1::ComboBox9Click,
                                   {"A", 0.002, 0.5, std::nullopt},
                                   false},
                                  {"DISPlay:RANGe:VOLTage",
                                   &TForm1::ComboBox10,
                                   &TForm1::ComboBox10Click,
                                   {"V", 0.01, 50, std::nullopt},
                                   false},
                                  {"TIMebase",
                                   &TForm1::ComboBox1,
                                   &TForm1::ComboBox1Click,
                                   {"S", 0.001, 0.1, std::nullopt},
                                   true}};
    for (const Selector& s : selectors) {
        commands.Add(s.header, scpi::Form::Set, {1, 1}, [this, s](scpi::Call& call) {
            QComboBox* box = form.*s.box;
            const int item = ChoiceOf(box, call.parameters[0], s.range, s.generator);
            box->setCurrentIndex(item);
            (form.*s.handler)(box);
        });
        commands.Add(s.header, scpi::Form::Query, {},
                     [this, s](scpi::Call& call) { call.reply.Send(SelectorAnswer(form.*s.box)); });
    }
}

} // namespace app
