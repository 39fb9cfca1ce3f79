// SPDX-License-Identifier: MIT
#include "scpi/LineReader.h"
#include "scpi/Parameter.h"
#include "scpi/Parser.h"
#include "scpi/Reply.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Texts(const std::vector<scpi::Line>& lines) {
    std::vector<std::string> texts;
    for (const scpi::Line& line : lines) {
        texts.push_back(line.tooLong ? "<too long>" : line.text);
    }
    return texts;
}

TEST(LineReader, AnySplitOfTheBytesGivesTheSameLines) {
    const std::string bytes = "*IDN?\r\nMEAS:VOLT?\n\nSOUR:FREQ 1";
    for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
        scpi::LineReader reader;
        std::vector<scpi::Line> lines;
        reader.Feed(bytes.substr(0, cut), lines);
        reader.Feed(bytes.substr(cut), lines);
        EXPECT_EQ(Texts(lines), (std::vector<std::string>{"*IDN?", "MEAS:VOLT?", ""})) << cut;
        EXPECT_EQ(reader.Buffered(), 11U);
    }
}

TEST(LineReader, LongLineIsDroppedWithBoundedMemory) {
    scpi::LineReader reader;
    std::vector<scpi::Line> lines;
    reader.Feed(std::string(scpi::LineReader::kMaxLine, 'x') + "\n", lines); // the longest
    ASSERT_EQ(lines.size(), 1U);
    EXPECT_FALSE(lines[0].tooLong);
    lines.clear();
    const std::string chunk(4096, 'y');
    for (std::size_t sent = 0; sent < 70000; sent += chunk.size()) {
        reader.Feed(chunk, lines);
        EXPECT_LE(reader.Buffered(), scpi::LineReader::kMaxLine);
    }
    reader.Feed("yyy\n*OPC?\n", lines);
    reader.Feed(std::string(200000, 'z'), lines); // one big chunk overflows at once
    EXPECT_EQ(reader.Buffered(), 0U);
    EXPECT_EQ(Texts(lines), (std::vector<std::string>{"<too long>", "*OPC?", "<too long>"}));
}

TEST(Reply, Nr3KnownAnswers) {
    EXPECT_EQ(scpi::FormatNr3(1234), "1.234E+03");
    EXPECT_EQ(scpi::FormatNr3(1000), "1.0E+03");
    EXPECT_EQ(scpi::FormatNr3(0.1), "1.0E-01");
    EXPECT_EQ(scpi::FormatNr3(-5e-7), "-5.0E-07");
    EXPECT_EQ(scpi::FormatNr3(1e300), "1.0E+300");
    EXPECT_EQ(scpi::FormatNr3(-0.0), "0.0E+00");
    EXPECT_EQ(scpi::FormatNr3(std::nan("")), "9.91E+37");
    EXPECT_EQ(scpi::FormatNr3(-std::numeric_limits<double>::infinity()), "-9.9E+37");
}

// Whatever the instrument answers, a client sending it back sets exactly the same value.
TEST(Reply, Nr3ReadsBackExactlyThroughTheParser) {
    std::mt19937_64 random(12345);
    std::uniform_real_distribution<double> mantissa(-10, 10);
    std::uniform_int_distribution<int> exponent(-1000, 1000);
    const scpi::Range anything{"", -DBL_MAX, DBL_MAX, std::nullopt};
    for (int i = 0; i < 20000; ++i) {
        const double value = std::ldexp(mantissa(random), exponent(random));
        const std::string text = scpi::FormatNr3(value);
        const scpi::ParsedMessage parsed = scpi::ParseMessage("X " + text);
        ASSERT_FALSE(parsed.error) << text;
        ASSERT_EQ(scpi::ToNumber(parsed.units[0].parameters[0], anything), value) << text;
    }
}

TEST(Reply, BlockOfSamplesRoundTrip) {
    std::vector<std::int16_t> samples(1000);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::int16_t>(std::lround(32767 * std::sin(0.01 * i)));
    }
    samples[1] = -32768;
    samples[2] = 0x1234;
    const std::string block = scpi::FormatBlock(samples);
    ASSERT_EQ(block.substr(0, 6), "#42000");
    ASSERT_EQ(block.size(), 6U + 2000U);
    EXPECT_EQ(block.substr(6 + 2 * 2, 2), "\x34\x12"); // little-endian
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const auto lo = static_cast<unsigned char>(block[6 + 2 * i]);
        const auto hi = static_cast<unsigned char>(block[6 + 2 * i + 1]);
        ASSERT_EQ(static_cast<std::int16_t>(lo | hi << 8), samples[i]) << i;
    }
    EXPECT_EQ(scpi::FormatBlock({}), "#10");
    EXPECT_EQ(scpi::FormatBlock(std::vector<std::int16_t>(5)).substr(0, 4), "#210");
}

TEST(Reply, StringDoublesItsQuotes) {
    EXPECT_EQ(scpi::FormatString("say \"hi\""), "\"say \"\"hi\"\"\"");
}

} // namespace
