// SPDX-License-Identifier: MIT
#include "scpi/Session.h"
#include "scpi/Error.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

using scpi::Form;
using scpi::Reply;

namespace {

// A small instrument: two generators' frequencies, a measurement answered when the test
// delivers the "next block", and commands that fail in each way a real one can.
class Rig : public testing::Test {
protected:
    Rig() {
        table.Add("*IDN", Form::Query, {},
                  [](scpi::Call& call) { call.reply.Send("TEST,OSC,0,1.0"); });
        table.Add("*RST", Form::Set, {}, [this](scpi::Call&) { frequency = {1000, 1000}; });
        table.Add("SOURce[1|2]:FREQuency[:FIXed]", Form::Set, {1, 1}, [this](scpi::Call& call) {
            frequency.at(call.suffixes[0] - 1) =
                scpi::ToNumber(call.parameters[0], {"HZ", 10, 20e3, 1000});
        });
        table.Add("SOURce[1|2]:FREQuency[:FIXed]", Form::Query, {}, [this](scpi::Call& call) {
            call.reply.Send(scpi::FormatNr3(frequency.at(call.suffixes[0] - 1)));
        });
        table.Add("MEASure:VOLTage[:AC]", Form::Query, {},
                  [this](scpi::Call& call) { nextBlock.push_back(call.reply); });
        table.Add("MEASure:FREQuency", Form::Query, {1, 1}, [](scpi::Call& call) {
            const std::size_t channel = scpi::ToChoice(call.parameters[0], {"VOLTage", "CURRent"});
            call.reply.Send(channel == 0 ? "5.0E+01" : "6.0E+01");
        });
        table.Add("TEST:THRow", Form::Set, {},
                  [](scpi::Call&) { throw std::runtime_error("relay stuck"); });
        table.Add("TEST:SILent", Form::Query, {}, [](scpi::Call&) {});
    }

    std::string Take() { return std::exchange(output, {}); }
    // Sends one line and returns what came back.
    std::string Ask(const std::string& line) {
        session.Feed(line + "\n");
        return Take();
    }
    std::string NextError() { return Ask("SYST:ERR?"); }
    // The next block is measured: every waiting measurement gets its value.
    void DeliverBlock(double volts) {
        std::vector<Reply> replies = std::exchange(nextBlock, {});
        for (Reply& reply : replies) {
            reply.Send(scpi::FormatNr3(volts));
        }
    }

    std::vector<double> frequency{1000, 1000};
    std::vector<Reply> nextBlock;
    scpi::CommandTable table;
    std::string output;
    scpi::Session session{table, [this](std::string_view bytes) { output += bytes; }};
};

TEST_F(Rig, CompoundHeadersAndJoinedAnswers) {
    EXPECT_EQ(Ask("*idn?"), "TEST,OSC,0,1.0\n");
    EXPECT_EQ(Ask("SOUR2:FREQ 1.5 kHz;FREQ?;:SOUR1:FREQ?;*OPC?;FREQ?"),
              "1.5E+03;1.0E+03;1;1.0E+03\n");
    EXPECT_EQ(Ask("source2:frequency:fixed?;*RST;:SOUR2:FREQ?"), "1.5E+03;1.0E+03\n");
    EXPECT_EQ(Ask("MEAS:FREQ? curr"), "6.0E+01\n");
    EXPECT_EQ(NextError(), "0,\"No error\"\n");
}

struct ErrorCase {
    const char* line;
    const char* error; // the start of the SYST:ERR? answer: number and standard text
};

class RigErrors : public Rig, public testing::WithParamInterface<ErrorCase> {};

TEST_P(RigErrors, ReportedWithTheirStandardTexts) {
    EXPECT_EQ(Ask(GetParam().line), "");
    const std::string error = NextError();
    EXPECT_EQ(error.substr(0, std::string(GetParam().error).size()), GetParam().error) << error;
    EXPECT_EQ(NextError(), "0,\"No error\"\n");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RigErrors,
    testing::Values(ErrorCase{"FOO:BAR 1", "-113,\"Undefined header;FOO:BAR\"\n"},
                    ErrorCase{"MEAS:VOLT", "-113,\"Undefined header;MEAS:VOLT (query only)"},
                    ErrorCase{"*IDN", "-113,\"Undefined header"},
                    ErrorCase{"SOUR:FREQ", "-109,\"Missing parameter"},
                    ErrorCase{"SOUR:FREQ 1,2", "-108,\"Parameter not allowed"},
                    ErrorCase{"*OPC 1", "-108,\"Parameter not allowed"},
                    ErrorCase{"SOUR:FREQ \"1\"", "-104,\"Data type error"},
                    ErrorCase{"SOUR:FREQ 21 kHz", "-222,\"Data out of range"},
                    ErrorCase{"SOUR:FREQ 1 V", "-131,\"Invalid suffix"},
                    ErrorCase{"SOUR3:FREQ 1", "-114,\"Header suffix out of range"},
                    ErrorCase{"MEAS:FREQ? POWER", "-141,\"Invalid character data"},
                    ErrorCase{"SOUR:FREQ 1 2", "-103,\"Invalid separator"},
                    ErrorCase{"SOUR:FREQ;", "-109,\"Missing parameter"},
                    ErrorCase{"*RST;\x7F", "-101,\"Invalid character;byte 0x7F at column 6\""},
                    ErrorCase{"TEST:THR", "-300,\"Device-specific error;relay stuck\""},
                    ErrorCase{"TEST:SIL?", "-300,\"Device-specific error;TEST:SIL? gave no answer"},
                    ErrorCase{"MEAS:VOLT?:AC", "-111,\"Header separator error"}));

TEST(ErrorText, StandardTextsAndClassFallback) {
    EXPECT_EQ(scpi::ErrorText(-100), "Command error");
    EXPECT_EQ(scpi::ErrorText(-102), "Syntax error");
    EXPECT_EQ(scpi::ErrorText(-223), "Too much data");
    EXPECT_EQ(scpi::ErrorText(-350), "Queue overflow");
    EXPECT_EQ(scpi::ErrorText(-199), "Command error"); // its class, for a number without a text
    EXPECT_EQ(scpi::ErrorText(-287), "Execution error");
    EXPECT_EQ(scpi::FormatErrorEntry({-102, "at \"x\""}), "-102,\"Syntax error;at \"\"x\"\"\"");
    EXPECT_EQ(scpi::FormatErrorEntry({5, "lamp"}), "5,\"lamp\""); // the instrument's own number
}

TEST_F(Rig, CommandErrorEndsItsLineExecutionErrorDoesNot) {
    EXPECT_EQ(Ask("SOUR:FREQ?;FOO;SOUR:FREQ 20;FREQ?"), "1.0E+03\n");
    EXPECT_EQ(Ask("SOUR:FREQ 1e6;FREQ 20;FREQ?"), "2.0E+01\n");
    EXPECT_EQ(NextError().substr(0, 5), "-113,");
    EXPECT_EQ(NextError().substr(0, 5), "-222,");
    EXPECT_EQ(Ask("*OPC?;SOUR:FREQ 1 Hz;*OPC?"), "1;1\n"); // -222, the line goes on
}

TEST_F(Rig, FullQueueEndsWithOverflow) {
    for (int i = 1; i <= 25; ++i) {
        session.Feed("FOO" + std::to_string(i) + "\n");
    }
    for (int i = 1; i < 20; ++i) {
        EXPECT_EQ(NextError(), "-113,\"Undefined header;FOO" + std::to_string(i) + "\"\n");
    }
    EXPECT_EQ(NextError(), "-350,\"Queue overflow\"\n");
    EXPECT_EQ(NextError(), "0,\"No error\"\n");
    Ask("BAR");
    EXPECT_EQ(NextError(), "-113,\"Undefined header;BAR\"\n");
}

TEST_F(Rig, EventStatusBitsByErrorClass) {
    struct Case {
        const char* line;
        const char* esr;
    };
    for (const Case& c : {Case{"FOO", "32"}, Case{"SOUR:FREQ 1e6", "16"}, Case{"TEST:THR", "8"},
                          Case{"*OPC", "1"}, Case{"*OPC;FOO;", "33"}, Case{"*OPC?", "0"}}) {
        Ask(c.line);
        EXPECT_EQ(Ask("*ESR?"), c.esr + std::string("\n")) << c.line;
        EXPECT_EQ(Ask("*ESR?"), "0\n") << "read clears";
    }
    EXPECT_EQ(scpi::Status::EventBitFor(-410), scpi::Status::kQueryError);
    EXPECT_EQ(scpi::Status::EventBitFor(0), 0);
}

TEST_F(Rig, StatusByteAndClear) {
    EXPECT_EQ(Ask("*STB?"), "0\n");
    Ask("FOO");
    EXPECT_EQ(Ask("*STB?"), "4\n"); // error queue not empty; ESB masked off by *ESE 0
    EXPECT_EQ(Ask("*ESE 32;*ESE?;*STB?"), "32;36\n");
    EXPECT_EQ(Ask("*CLS;*STB?;*ESE?;:SYST:ERR:NEXT?"), "0;32;0,\"No error\"\n");
    EXPECT_EQ(Ask("*ESE 256"), "");
    EXPECT_EQ(NextError().substr(0, 5), "-222,");
}

TEST_F(Rig, OverlongLineThenAValidCommand) {
    const std::string chunk(1000, 'A');
    for (int i = 0; i < 70; ++i) {
        session.Feed(chunk);
    }
    session.Feed("\n*IDN?\n");
    EXPECT_EQ(Take(), "TEST,OSC,0,1.0\n");
    EXPECT_EQ(NextError(), "-223,\"Too much data;message longer than 65536 bytes dropped\"\n");
    EXPECT_EQ(NextError(), "0,\"No error\"\n");
}

TEST_F(Rig, BinaryGarbageNeverStopsTheSession) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string garbage;
    for (int i = 0; i < 100000; ++i) {
        garbage += static_cast<char>(byte(random));
    }
    session.Feed(garbage);
    Take(); // whatever the garbage happened to ask
    EXPECT_EQ(Ask("\n*CLS;*OPC?"), "1\n");
    EXPECT_EQ(Ask(std::string("\0\0\0", 3)), "");
    EXPECT_EQ(NextError(), "-101,\"Invalid character;byte 0x00 at column 1\"\n");
}

TEST_F(Rig, AnswersWaitForTheNextBlockAndStayInOrder) {
    session.Feed("SOUR:FREQ?;:MEAS:VOLT?;*OPC?\nSOUR:FREQ 50;FREQ?\nMEAS:VOLT?\n*IDN?\n");
    EXPECT_EQ(Take(), "");
    EXPECT_TRUE(session.Waiting());
    EXPECT_EQ(frequency[0], 1000); // the later line has not run yet
    DeliverBlock(0.25);
    EXPECT_EQ(Take(), "1.0E+03;2.5E-01;1\n5.0E+01\n");
    EXPECT_TRUE(session.Waiting());
    DeliverBlock(0.5);
    EXPECT_EQ(Take(), "5.0E-01\nTEST,OSC,0,1.0\n");
    EXPECT_FALSE(session.Waiting());
}

TEST_F(Rig, FailedAnswerGoesToTheErrorQueue) {
    session.Feed("MEAS:VOLT?;*OPC?\n");
    nextBlock.at(0).Fail(scpi::kDataStale, "no block within 2 s");
    nextBlock.at(0).Send("9.9E+37"); // too late: the first completion counts
    EXPECT_EQ(Take(), "1\n");
    EXPECT_EQ(NextError(), "-230,\"Data corrupt or stale;no block within 2 s\"\n");
}

TEST_F(Rig, HeldLinesAreBounded) {
    session.Feed("MEAS:VOLT?\n");
    const std::string line = std::string(60000, ' ') + "*OPC?\n";
    for (int i = 0; i < 40; ++i) { // 2.4 MB while the measurement waits
        session.Feed(line);
    }
    DeliverBlock(1);
    const std::string answers = Take();
    EXPECT_EQ(answers.substr(0, 8), "1.0E+00\n");
    EXPECT_EQ(answers.size(), 8U + 2 * (scpi::Session::kMaxHeldBytes / 60005));
    EXPECT_EQ(NextError().substr(0, 5), "-223,");
}

TEST(Session, ReplyOutlivingItsClientIsAbandoned) {
    scpi::CommandTable table;
    std::vector<Reply> kept;
    table.Add("MEAS", Form::Query, {}, [&](scpi::Call& call) { kept.push_back(call.reply); });
    {
        scpi::Session session(table, [](std::string_view) { FAIL() << "nobody to answer"; });
        session.Feed("MEAS?\n");
        EXPECT_FALSE(kept.at(0).Abandoned());
    }
    EXPECT_TRUE(kept.at(0).Abandoned());
    kept.at(0).Send("1"); // harmless
}

} // namespace
