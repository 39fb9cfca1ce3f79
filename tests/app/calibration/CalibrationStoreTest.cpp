// SPDX-License-Identifier: MIT
// The stored factors in the user's configuration folder (XDG_CONFIG_HOME): kept across
// instances by card, removed one at a time, and an unreadable file left exactly as it is until
// a new calibration replaces it.

#include "app/calibration/CalibrationStore.h"

#include <QDate>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

namespace app {
namespace {

namespace fs = std::filesystem;
using measure::Channel;

class CalibrationStoreTest : public ::testing::Test {
protected:
    // One configuration folder per process, set before QSettings first looks for it.
    static void SetUpTestSuite() {
        static const fs::path folder =
            fs::temp_directory_path() / ("osc_calibration_store_" + std::to_string(getpid()));
        setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    }
    void SetUp() override { fs::remove_all(File().parent_path()); }
    static void TearDownTestSuite() { fs::remove_all(File().parent_path().parent_path()); }
    static fs::path File() {
        return fs::path(std::getenv("XDG_CONFIG_HOME")) / "osciloskop" / "calibration.ini";
    }
    static std::string Contents() {
        std::ifstream in(File(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
};

const std::string kServerCard = "default on unix:/tmp/osc-pulse.x/native";

TEST_F(CalibrationStoreTest, FactorsAreKeptByCardAcrossInstancesAndRemovedOneByOne) {
    {
        CalibrationStore store;
        EXPECT_EQ(store.Error(), "");
        EXPECT_EQ(store.Path(), File().string());
        EXPECT_EQ(store.Store(kServerCard, Channel::L, 1.9814999999999998), "");
        EXPECT_EQ(store.Store("simulated", Channel::R, 0.5), "");
        EXPECT_EQ(store.Store("simulated", Channel::R, 0.75), ""); // replaces the 0.5
    }
    CalibrationStore store;
    ASSERT_EQ(store.Error(), "");
    ASSERT_EQ(store.Cards().size(), 2u);
    EXPECT_EQ(store.Cards()[0].card, kServerCard);
    EXPECT_EQ(store.Cards()[1].card, "simulated");
    const auto current = store.Find(kServerCard, Channel::L);
    ASSERT_TRUE(current);
    EXPECT_EQ(current->factor, 1.9814999999999998) << "every digit comes back";
    EXPECT_EQ(current->date, QDate::currentDate().toString(Qt::ISODate).toStdString());
    EXPECT_FALSE(store.Find(kServerCard, Channel::R));
    EXPECT_EQ(store.Find("simulated", Channel::R)->factor, 0.75);
    EXPECT_FALSE(store.Find("hw:0", Channel::L));

    std::ostringstream notes;
    const measure::LevelCalibration loaded = LoadLevelCalibration(kServerCard, notes);
    EXPECT_EQ(loaded.current, 1.9814999999999998);
    EXPECT_EQ(loaded.voltage, 1.0);
    EXPECT_EQ(notes.str(), "calibration: current ×1.981 (" + current->date + ")\n");

    std::ostringstream out, err;
    EXPECT_EQ(ResetCalibration(kServerCard, Channel::L, out, err), 0);
    EXPECT_EQ(out.str(), "current: calibration removed for card '" + kServerCard + "'\n");
    EXPECT_FALSE(CalibrationStore().Find(kServerCard, Channel::L));
    EXPECT_EQ(CalibrationStore().Find("simulated", Channel::R)->factor, 0.75);
}

TEST_F(CalibrationStoreTest, WithoutAFileNothingAppliesAndNothingIsSaid) {
    std::ostringstream notes;
    const measure::LevelCalibration loaded = LoadLevelCalibration("simulated", notes);
    EXPECT_EQ(loaded.current, 1.0);
    EXPECT_EQ(loaded.voltage, 1.0);
    EXPECT_EQ(notes.str(), "");
    std::ostringstream out, err;
    EXPECT_EQ(ListCalibration(out, err), 0);
    EXPECT_NE(out.str().find("no calibration stored"), std::string::npos);
    EXPECT_FALSE(fs::exists(File())) << "reading creates no file";
}

TEST_F(CalibrationStoreTest, UnreadableFileIsReportedAndLeftAsItIsUntilANewCalibration) {
    const char* const contents[] = {
        "[simulated\ncurrent\\factor=2\ncurrent\\date=2026-12-09\n",
        "[simulated]\ncurrent\\factor=abc\ncurrent\\date=2026-12-09\n",
        "[simulated]\ncurrent\\factor=-2\ncurrent\\date=2026-12-09\n",
        "[simulated]\nvoltage\\factor=inf\nvoltage\\date=2026-12-09\n",
        "[simulated]\ncurrent\\factor=2\n",
        "[simulated]\ncurrent\\factor=2\ncurrent\\date=yesterday\n",
    };
    for (const char* text : contents) {
        SCOPED_TRACE(text);
        fs::remove_all(File().parent_path());
        fs::create_directories(File().parent_path());
        std::ofstream(File(), std::ios::binary) << text;

        std::ostringstream notes, out, err;
        const measure::LevelCalibration loaded = LoadLevelCalibration("simulated", notes);
        EXPECT_EQ(loaded.current, 1.0);
        EXPECT_EQ(loaded.voltage, 1.0);
        EXPECT_NE(notes.str().find("cannot be read"), std::string::npos) << notes.str();
        EXPECT_NE(notes.str().find("starting uncalibrated"), std::string::npos);
        EXPECT_EQ(ListCalibration(out, err), 2);
        EXPECT_EQ(ResetCalibration("simulated", Channel::L, out, err), 2);
        EXPECT_EQ(Contents(), text);

        CalibrationStore store;
        EXPECT_EQ(store.Store("simulated", Channel::R, 1.25), "");
        CalibrationStore replaced;
        EXPECT_EQ(replaced.Error(), "");
        EXPECT_EQ(replaced.Find("simulated", Channel::R)->factor, 1.25);
        EXPECT_FALSE(replaced.Find("simulated", Channel::L));
    }
}

TEST_F(CalibrationStoreTest, AFileThatCannotBeWrittenStoresNothingAndSaysSo) {
    fs::create_directories(File().parent_path().parent_path());
    std::ofstream(File().parent_path()) << "a file where the folder belongs";
    CalibrationStore store;
    EXPECT_NE(store.Store("simulated", Channel::L, 2.0), "");
    fs::remove(File().parent_path());
}

// Hand-written absurd factors, random bytes and huge files were taken, or read whole: each is
// refused with its reason and the file's name, and left as it is.
TEST_F(CalibrationStoreTest, AbsurdFactorsGarbageAndHugeFilesAreRefusedByName) {
    struct Case {
        std::string contents;
        const char* reason;
    };
    const Case cases[] = {
        {"[simulated]\nvoltage\\factor=1e300\nvoltage\\date=2026-12-09\n", "outside ×0.100"},
        {"[simulated]\nvoltage\\factor=10.5\nvoltage\\date=2026-12-09\n", "outside ×0.100"},
        {"[simulated]\ncurrent\\factor=0.05\ncurrent\\date=2026-12-09\n", "outside ×0.100"},
        {"[simulated]\ncurrent\\factor=nan\ncurrent\\date=2026-12-09\n", "not a factor"},
        {std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff\xfe", 18), "not text"},
        {"[simulated]\nthis line is no ini\n", "line 2 is neither"},
        {std::string("[simulated]\ncurrent\\factor=2\x01\n"), "line 2 is neither"},
    };
    for (const Case& c : cases) {
        fs::remove_all(File().parent_path());
        fs::create_directories(File().parent_path());
        std::ofstream(File(), std::ios::binary) << c.contents;
        const CalibrationStore store;
        EXPECT_NE(store.Error().find(c.reason), std::string::npos) << store.Error();
        EXPECT_NE(store.Error().find(File().string()), std::string::npos) << store.Error();
        EXPECT_TRUE(store.Cards().empty());
        EXPECT_EQ(Contents(), c.contents);
    }
    // A 50 MB file (sparse: it takes no room) is refused by its size, not read whole.
    fs::remove_all(File().parent_path());
    fs::create_directories(File().parent_path());
    std::ofstream(File()) << "[simulated]\n";
    fs::resize_file(File(), 50'000'000);
    const CalibrationStore huge;
    EXPECT_NE(huge.Error().find("50000000 bytes, more than the 64 KiB"), std::string::npos)
        << huge.Error();
    EXPECT_EQ(fs::file_size(File()), 50'000'000u);
}

TEST_F(CalibrationStoreTest, AFactorOutOfBoundsIsNeverStored) {
    CalibrationStore store;
    EXPECT_NE(store.Store("simulated", Channel::R, 663448.0).find("outside"), std::string::npos);
    EXPECT_NE(store.Store("simulated", Channel::R, 6.6e-10).find("outside"), std::string::npos);
    EXPECT_FALSE(fs::exists(File()));
}

// The file written through a link keeps the link; a link to a device is never replaced by a file;
// a folder that cannot be made is reported before any measurement.
TEST_F(CalibrationStoreTest, TheFileIsWrittenAsASafeOutput) {
    fs::create_directories(File().parent_path());
    const fs::path target = File().parent_path() / "kept.ini";
    std::ofstream(target) << "";
    fs::create_symlink("kept.ini", File());
    EXPECT_EQ(CalibrationStore().WritableError(), "");
    EXPECT_EQ(CalibrationStore().Store("simulated", Channel::L, 2.0), "");
    EXPECT_TRUE(fs::is_symlink(File()));
    EXPECT_EQ(CalibrationStore().Find("simulated", Channel::L)->factor, 2.0);

    fs::remove(File());
    fs::create_symlink("/dev/full", File());
    EXPECT_NE(CalibrationStore().WritableError().find("device"), std::string::npos);
    EXPECT_NE(CalibrationStore().Store("simulated", Channel::L, 2.0), "");
    EXPECT_TRUE(fs::is_symlink(File()));
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
    fs::remove(File());

    fs::remove_all(File().parent_path());
    std::ofstream(File().parent_path()) << "a file where the folder belongs";
    EXPECT_NE(CalibrationStore().WritableError().find("cannot be created"), std::string::npos);
    fs::remove(File().parent_path());
}

TEST_F(CalibrationStoreTest, SimulatedCardHasItsOwnIdentity) {
    EXPECT_EQ(CalibrationIdentity(""), "simulated");
    EXPECT_EQ(CalibrationIdentity("hw:1"), "hw:1");
}

} // namespace
} // namespace app
