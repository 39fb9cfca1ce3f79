// SPDX-License-Identifier: MIT
#include "scpi/CommandTable.h"
#include "scpi/Error.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using scpi::Form;

namespace {

// The instrument's command set as it will be declared; each handler records its pattern.
class Table {
public:
    Table() {
        Add("MEASure:VOLTage[:AC]", Form::Query);
        Add("MEASure:CURRent[:AC]", Form::Query);
        Add("MEASure:FREQuency", Form::Query);
        Add("SOURce[1|2]:FREQuency[:FIXed]", Form::Set);
        Add("SOURce[1|2]:FREQuency[:FIXed]", Form::Query);
        Add("SOURce[1|2]:VOLTage[:LEVel][:IMMediate][:AMPLitude]", Form::Set);
        Add("OUTPut[1|2][:STATe]", Form::Set);
        Add("[SENSe:]AVERage[1|2|3|4]:COUNt", Form::Set);
        Add("*IDN", Form::Query);
    }

    // "<pattern>/<suffixes...>" of the command a header finds, or its error number.
    std::string Find(const std::string& header) const {
        const scpi::ParsedMessage parsed = scpi::ParseMessage(header);
        const scpi::CommandTable::Lookup found = table.Find(parsed.units.at(0));
        if (found.handler == nullptr) {
            return std::to_string(found.error);
        }
        std::vector<int> suffixes = found.suffixes;
        scpi::Reply reply(std::make_shared<scpi::ReplyState>());
        scpi::Call call{{}, suffixes, reply};
        (*found.handler)(call);
        std::string text = reply.Done() ? "" : "?";
        for (int s : suffixes) {
            text += "/" + std::to_string(s);
        }
        return called + text;
    }

private:
    void Add(const char* pattern, Form form) {
        table.Add(pattern, form, {}, [this, pattern, form](scpi::Call& call) {
            called = pattern;
            if (form == Form::Set) {
                call.reply.Complete();
            }
        });
    }

    scpi::CommandTable table;
    mutable std::string called;
};

struct MatchCase {
    const char* header;
    const char* found;
};

class CommandTableMatch : public testing::TestWithParam<MatchCase> {
protected:
    Table table;
};

TEST_P(CommandTableMatch, FindsTheDeclaredCommand) {
    EXPECT_EQ(table.Find(GetParam().header), GetParam().found) << GetParam().header;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandTableMatch,
    testing::Values(
        // Short and long forms, any case; nothing in between.
        MatchCase{"MEAS:VOLT?", "MEASure:VOLTage[:AC]?"},
        MatchCase{"measure:voltage:ac?", "MEASure:VOLTage[:AC]?"},
        MatchCase{"Meas:Volt:Ac?", "MEASure:VOLTage[:AC]?"}, MatchCase{"MEASU:VOLT?", "-113"},
        MatchCase{"MEA:VOLT?", "-113"}, MatchCase{"MEAS:VOLT:DC?", "-113"},
        MatchCase{"MEAS?", "-113"},
        // Optional nodes, each present or absent, in order.
        MatchCase{"SOUR:VOLT 1", "SOURce[1|2]:VOLTage[:LEVel][:IMMediate][:AMPLitude]/1"},
        MatchCase{"SOUR:VOLT:IMM 1", "SOURce[1|2]:VOLTage[:LEVel][:IMMediate][:AMPLitude]/1"},
        MatchCase{"SOUR:VOLT:LEV:AMPL 1", "SOURce[1|2]:VOLTage[:LEVel][:IMMediate][:AMPLitude]/1"},
        MatchCase{"SOUR:VOLT:AMPL:LEV 1", "-113"},
        MatchCase{"SENS:AVER3:COUN 1", "[SENSe:]AVERage[1|2|3|4]:COUNt/3"},
        MatchCase{"AVER:COUN 1", "[SENSe:]AVERage[1|2|3|4]:COUNt/1"},
        // Numeric suffixes: given to the handler, 1 when absent, -114 out of range or on a
        // node that takes none.
        MatchCase{"SOURCE2:FREQ:FIX 1", "SOURce[1|2]:FREQuency[:FIXed]/2"},
        MatchCase{"SOUR1:FREQ?", "SOURce[1|2]:FREQuency[:FIXed]?/1"},
        MatchCase{"OUTP2 ON", "OUTPut[1|2][:STATe]/2"}, MatchCase{"SOUR3:FREQ 1", "-114"},
        MatchCase{"SOUR0:FREQ 1", "-114"}, MatchCase{"SOUR99999999:FREQ 1", "-114"},
        MatchCase{"MEAS2:VOLT?", "-114"},
        // A query of a set-only command and the reverse.
        MatchCase{"OUTP?", "-113"}, MatchCase{"MEAS:VOLT", "-113"}, MatchCase{"*idn?", "*IDN?"},
        MatchCase{"*IDN", "-113"}));

TEST(CommandTable, MalformedPatternsAreRefusedAtDeclaration) {
    scpi::CommandTable table;
    for (const char* pattern : {"", "[:AC]", "MEAS[:VOLT", "MEAS:VOLT]", "MEAS[[:VOLT]]",
                                "SOUR[1|x]", "[1|2]:FREQ", "MEAS:VOLT?", "MEAS::*IDN"}) {
        EXPECT_THROW(table.Add(pattern, Form::Set, {}, {}), std::invalid_argument) << pattern;
    }
}

} // namespace
