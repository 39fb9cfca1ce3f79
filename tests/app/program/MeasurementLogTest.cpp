// SPDX-License-Identifier: MIT
#include "Form1TestRig.h"

#include "app/program/MeasurementLog.h"
#include "common/CsvFields.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

using app::MeasurementLog;

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

} // namespace

TEST(MeasurementLogTest, HeaderThenOneRowPerCallInColumnOrder) {
    std::ostringstream out;
    double now = 0.25;
    MeasurementLog log(out, [&now] { return now; });
    log.WriteRow({{},
                  46.5,
                  100,
                  532.25,
                  50,
                  " 46.5mA",
                  "   100Hz",
                  " 532mV",
                  "    50Hz",
                  "100 mA",
                  "1 V",
                  "20 msec",
                  99.5,
                  50.25});
    now = 1.5;
    log.WriteRow(
        {{}, 0, 227.3, 0, 3150, " 0.0mA", "f > fmax", " 0.0mV", "f > fmax", "", "", "", 0, 0});

    auto lines = Lines(out.str());
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "time_s,current_mA,frequency_L_Hz,voltage_mV,frequency_R_Hz,IL_text,"
                        "fL_text,UR_text,fR_text,range_L,range_R,time_base,measured_L_Hz,"
                        "measured_R_Hz,fundamental_Hz,current_fundamental_mA,"
                        "voltage_fundamental_mV,phase_deg,impedance_ohm,resistance_ohm,"
                        "reactance_ohm,power_mW,power_factor,thd_current_pct,thd_voltage_pct");
    EXPECT_EQ(
        lines[1],
        R"(0.25,46.5,100,532.25,50," 46.5mA","   100Hz"," 532mV","    50Hz","100 mA","1 V","20 msec",99.5,50.25,,,,,,,,,,,)");
    EXPECT_EQ(
        lines[2],
        R"(1.5,0,227.3,0,3150," 0.0mA","f > fmax"," 0.0mV","f > fmax","","","",0,0,,,,,,,,,,,)");
}

TEST(MeasurementLogTest, NumbersKeepEveryDigitAndAPointWhateverTheLocale) {
    // A locale with a decimal comma must not leak into the file.
    const std::string before = std::setlocale(LC_NUMERIC, nullptr);
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    const double value = 0.1 + 0.2; // not 0.3
    const std::string text = common::NumberField(value);
    std::setlocale(LC_NUMERIC, before.c_str());
    EXPECT_EQ(std::stod(text), value);
    EXPECT_EQ(text.find(','), std::string::npos);
    EXPECT_EQ(common::NumberField(1.0 / 3.0), "0.3333333333333333");
    EXPECT_EQ(common::NumberField(-2), "-2");
}

TEST(MeasurementLogTest, TextFieldsAreQuotedWithInnerQuotesDoubled) {
    EXPECT_EQ(common::QuotedField(""), R"("")");
    EXPECT_EQ(common::QuotedField("a,b"), R"("a,b")");
    EXPECT_EQ(common::QuotedField(R"(say "hi")"), R"("say ""hi""")");
    EXPECT_EQ(common::QuotedField("\"\""), R"("""""")");
}

TEST(MeasurementLogTest, AFileLogIsCompleteAfterEveryRow) {
    const auto path = std::filesystem::temp_directory_path() / "osc_measurement_log_test.csv";
    auto log = MeasurementLog::Open(path.string());
    log->WriteRow({{}, 1, 2, 3, 4, "a", "b", "c", "d", "1 A", "10 V", "", 5, 6});
    // Read while the log is still open: the row must already be on disk.
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    auto lines = Lines(text.str());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(lines[1].ends_with(R"(,1,2,3,4,"a","b","c","d","1 A","10 V","",5,6,,,,,,,,,,,)"))
        << lines[1];
    log.reset();
    std::filesystem::remove(path);
}

TEST(MeasurementLogTest, AFailedWriteIsReportedOnceAndLoggingStops) {
    std::ostringstream out;
    MeasurementLog log(out, [] { return 0.0; });
    out.setstate(std::ios::badbit); // as a full disk or a closed pipe leaves the stream
    EXPECT_THROW(log.WriteRow({}), std::runtime_error);
    out.clear();
    EXPECT_NO_THROW(log.WriteRow({}));
    EXPECT_EQ(Lines(out.str()).size(), 1u) << "only the header";
}

TEST(MeasurementLogTest, AnUncreatableFileIsAClearError) {
    try {
        MeasurementLog::Open("/nonexistent-dir/log.csv");
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("/nonexistent-dir/log.csv"), std::string::npos);
    }
}

TEST(MeasurementLogTest, TheWindowLogsEachBlockOnceWithTheReadoutsItShows) {
    struct Rig : app::test::Form1Rig {
        ~Rig() {
            form.reset();
            dispatcher.Drain();
        }
    } rig;
    app::TForm1& form = *rig.form;
    std::ostringstream out;
    MeasurementLog log(out, [] { return 2.0; });
    log.Follow(form.model);

    std::vector<char> block(32000);
    for (std::size_t k = 0; k < block.size(); k += 4) {
        const std::int16_t pair[2] = {-3000, 10000}; // R, L
        std::memcpy(block.data() + k, pair, sizeof pair);
    }
    bool done = true;
    form.MyIdleEvent(nullptr, done); // nothing captured yet: no row
    for (int i = 0; i < 2; ++i) {
        int size = static_cast<int>(block.size());
        form.AudioIn1BufferFilled(block.data(), size);
        form.MyIdleEvent(nullptr, done);
        form.MyIdleEvent(nullptr, done);
    }
    auto lines = Lines(out.str());
    ASSERT_EQ(lines.size(), 3u);
    const std::string expected = "2," + common::NumberField(form.model.currentRms) + ",100," +
                                 common::NumberField(form.model.voltageRms) +
                                 R"(,100," 445mA","   100Hz"," 976mV","   100Hz","500 mA","1 V",)"
                                 R"("20 msec",)" +
                                 common::NumberField(form.model.measuredFrequencyL) + "," +
                                 common::NumberField(form.model.measuredFrequencyR);
    // The existing columns as before; a constant block has no fundamental to analyse.
    EXPECT_EQ(lines[1], expected + ",,,,,,,,,,,");
    EXPECT_EQ(lines[2], expected + ",,,,,,,,,,,");
}
