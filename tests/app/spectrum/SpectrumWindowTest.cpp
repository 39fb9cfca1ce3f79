// SPDX-License-Identifier: MIT
// The spectrum window on the main window's captured blocks: it follows the instrument only
// while it is open (or an export keeps it following), its readouts read planted harmonics
// right and stay empty where a block holds no fundamental, and the export's files carry the
// averaged spectrum: the CSV's peak at the planted frequency, SVG with its text as text.

#include "Form1TestRig.h"

#include "app/spectrum/SpectrumPlot.h"
#include "app/spectrum/SpectrumTexts.h"
#include "app/spectrum/SpectrumWindow.h"

#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>

#include <unistd.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numbers>
#include <random>
#include <sstream>

namespace app::spectrum {
namespace {

using test::Form1Rig;
namespace fs = std::filesystem;

constexpr int kBlockFrames = 8000;
constexpr double kRate = 44100;
constexpr double kPi = std::numbers::pi;
using Signal = std::function<double(int)>;

double Sine(int k, double hertz, double amplitude, double phase = 0) {
    return amplitude * std::sin(2 * kPi * hertz * k / kRate + phase);
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::int16_t Sample(double value) {
    return static_cast<std::int16_t>(std::lround(std::clamp(value, -32768.0, 32767.0)));
}

struct SpectrumRig : Form1Rig {
    SpectrumRig() : window(new SpectrumWindow(*form)) {}

    // One captured block (current on L, voltage on R), measured and published as the window's
    // idle pass does.
    void Publish(const Signal& current, const Signal& voltage) {
        std::vector<char> bytes(4 * kBlockFrames);
        for (int k = 0; k < kBlockFrames; ++k) {
            const std::int16_t pair[2] = {Sample(voltage(k)), Sample(current(k))};
            std::memcpy(bytes.data() + 4 * k, pair, sizeof pair);
        }
        int size = static_cast<int>(bytes.size());
        form->AudioIn1BufferFilled(bytes.data(), size);
        bool done = true;
        form->MyIdleEvent(nullptr, done);
    }
    std::string Text(const char* name) const {
        return window->findChild<QLabel*>(QLatin1String(name))->text().toStdString();
    }
    double Number(const char* name) const {
        const std::string text = Text(name);
        EXPECT_FALSE(text.empty()) << name;
        return text.empty() ? NAN : std::stod(text);
    }
    void Choose(const char* box, int index) {
        auto* list = window->findChild<QComboBox*>(QLatin1String(box));
        list->setCurrentIndex(index);
        emit list->activated(index);
    }

    SpectrumWindow* window; // owned by the main window
};

TEST(SpectrumWindow, OpensFromTheMenuAndFollowsTheInstrumentOnlyWhileOpen) {
    SpectrumRig rig;
    const Signal tone = [](int k) { return Sine(k, 1000, 8000); };
    rig.Publish(tone, tone);
    EXPECT_EQ(rig.window->View().Count(), 0) << "closed: nothing computed";

    rig.form->spektrum1->trigger();
    EXPECT_TRUE(rig.window->isVisible());
    EXPECT_EQ(rig.window->windowTitle(), QStringLiteral("spektrum"));
    EXPECT_EQ(rig.form->findChild<QLabel*>(QStringLiteral("SpectrumThdL")),
              rig.window->findChild<QLabel*>(QStringLiteral("SpectrumThdL")))
        << "scripts find its readouts through the main window";
    rig.Publish(tone, tone);
    EXPECT_EQ(rig.window->View().Count(), 1);
    EXPECT_EQ(rig.Text("SpectrumFundamentalL"), "1000.0 Hz");

    rig.window->close();
    rig.Publish(tone, tone);
    EXPECT_EQ(rig.window->View().Count(), 1) << "closed again: unsubscribed";

    rig.window->KeepFollowing();
    rig.Publish(tone, tone);
    EXPECT_EQ(rig.window->View().Count(), 1) << "one block in the default average of 1";
    rig.Choose("SpectrumAveragingBox", 2); // 4 blocks
    rig.Publish(tone, tone);
    rig.Publish(tone, tone);
    EXPECT_EQ(rig.window->View().Count(), 2) << "an export keeps it following while closed";
}

struct PlantedDistortion {
    const char* name;
    Signal signal;
    double thdPercent;
    double tolerance;
};

void PrintTo(const PlantedDistortion& planted, std::ostream* out) {
    *out << planted.name;
}

class SpectrumReadouts : public ::testing::TestWithParam<PlantedDistortion> {};

// Every window: the distortion figures come from a fit that does not depend on it.
TEST_P(SpectrumReadouts, ReadTheThdOfPlantedHarmonicsOnBothChannels) {
    const PlantedDistortion& planted = GetParam();
    for (int window = 0; window < 3; ++window) {
        SpectrumRig rig;
        rig.form->spektrum1->trigger();
        rig.Choose("SpectrumWindowBox", window);
        rig.Publish(planted.signal, planted.signal);
        SCOPED_TRACE(window);
        EXPECT_NEAR(rig.Number("SpectrumThdL"), planted.thdPercent, planted.tolerance);
        EXPECT_NEAR(rig.Number("SpectrumThdR"), planted.thdPercent, planted.tolerance);
        EXPECT_NEAR(rig.Number("SpectrumFundamentalR"), 1000, 0.05);
        if (window != 2) { // a rectangular window's leakage is its floor
            EXPECT_LT(rig.Number("SpectrumFloorR"), -20) << "the floor lies below the lines";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Planted, SpectrumReadouts,
    ::testing::Values(
        PlantedDistortion{"ThirdHarmonicOfOnePercent",
                          [](int k) { return Sine(k, 1000, 10000) + Sine(k, 3000, 100, 0.7); },
                          1.00, 0.02},
        // Odd harmonics up to the 9th of a square wave: sqrt(1/9 + 1/25 + 1/49 + 1/81).
        PlantedDistortion{"SquareWaveToTheNinth",
                          [](int k) {
                              double sum = 0;
                              for (int n = 1; n <= 9; n += 2) {
                                  sum += Sine(k, 1000.0 * n, 12000.0 / n);
                              }
                              return sum;
                          },
                          42.88, 0.1}),
    [](const auto& info) { return std::string(info.param.name); });

struct BadBlock {
    const char* name;
    Signal signal;
    bool thdKnown;
    bool noiseKnown; // THD+N and the floor
};

void PrintTo(const BadBlock& bad, std::ostream* out) {
    *out << bad.name;
}

class SpectrumBadBlocks : public ::testing::TestWithParam<BadBlock> {};

TEST_P(SpectrumBadBlocks, ShowNothingWhereNothingIsKnownAndNeverFail) {
    const BadBlock& bad = GetParam();
    SpectrumRig rig;
    rig.form->spektrum1->trigger();
    rig.Publish(bad.signal, bad.signal);
    for (const char* channel : {"L", "R"}) {
        SCOPED_TRACE(channel);
        const std::string suffix(channel);
        EXPECT_EQ(!rig.Text(("SpectrumThd" + suffix).c_str()).empty(), bad.thdKnown);
        EXPECT_EQ(!rig.Text(("SpectrumThdN" + suffix).c_str()).empty(), bad.noiseKnown);
        EXPECT_EQ(!rig.Text(("SpectrumFloor" + suffix).c_str()).empty(), bad.noiseKnown);
        EXPECT_EQ(rig.Text(("SpectrumClip" + suffix).c_str()),
                  std::string(bad.name) == "Clipped" ? "přebuzeno" : "");
    }
    for (const std::vector<double>* levels : {&rig.window->View().Average(measure::Channel::L),
                                              &rig.window->View().Average(measure::Channel::R)}) {
        ASSERT_EQ(levels->size(), kBlockFrames / 2 + 1);
        EXPECT_TRUE(std::all_of(levels->begin(), levels->end(),
                                [](double v) { return std::isfinite(v) && v >= 0; }));
    }
    // Its pictures draw whatever the block held.
    EXPECT_FALSE(SpectrumPng(rig.window->View(), true).isEmpty());
    EXPECT_FALSE(SpectrumSvg(rig.window->View(), false).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Bad, SpectrumBadBlocks,
    ::testing::Values(BadBlock{"Silence", [](int) { return 0.0; }, false, false},
                      BadBlock{"DcOnly", [](int) { return 5000.0; }, false, false},
                      BadBlock{"SingleSpike", [](int k) { return k == 4000 ? 30000.0 : 0.0; },
                               false, true},
                      BadBlock{"WhiteNoise",
                               [](int) {
                                   static std::mt19937 random(7);
                                   return std::normal_distribution<double>(0, 3000)(random);
                               },
                               false, true},
                      BadBlock{"Clipped", [](int k) { return Sine(k, 1000, 60000); }, true, true}),
    [](const auto& info) { return std::string(info.param.name); });

// Three significant digits, also where rounding reaches the next decade.
TEST(SpectrumTexts, PercentagesKeepThreeSignificantDigits) {
    const std::pair<std::optional<double>, const char*> cases[] = {
        {0.99997, "1.00 %"}, {1.0049, "1.00 %"}, {0.0012345, "0.00123 %"}, {42.878, "42.9 %"},
        {99.996, "100 %"},   {0.0, "0.00 %"},    {std::nullopt, ""},       {NAN, ""}};
    for (const auto& [percent, text] : cases) {
        EXPECT_EQ(PercentText(percent), text);
    }
}

struct CsvSpectrum {
    std::vector<double> frequency, current, voltage;
};

CsvSpectrum ParseCsv(const std::string& text, std::string& header) {
    std::istringstream in(text);
    std::getline(in, header);
    CsvSpectrum csv;
    for (std::string line; std::getline(in, line);) {
        double f = 0, i = 0, u = 0;
        char comma1 = 0, comma2 = 0;
        std::istringstream row(line);
        row >> f >> comma1 >> i >> comma2 >> u;
        csv.frequency.push_back(f);
        csv.current.push_back(i);
        csv.voltage.push_back(u);
    }
    return csv;
}

std::size_t PeakOf(const std::vector<double>& levels) {
    return static_cast<std::size_t>(std::max_element(levels.begin() + 1, levels.end()) -
                                    levels.begin());
}

// A sine between two bins (1000 Hz lies at bin 181.4) reads its rms in the flat-top CSV
// within 0.1 %, at a peak within half a bin of it; the average is a power average.
TEST(SpectrumExport, CsvHoldsTheAveragedFlatTopSpectrum) {
    SpectrumRig rig;
    rig.form->spektrum1->trigger();
    rig.Choose("SpectrumWindowBox", 1);
    rig.Choose("SpectrumAveragingBox", 1); // 2 blocks
    rig.Publish([](int k) { return Sine(k, 1000, 9000); },
                [](int k) { return Sine(k, 250, 3000); });
    rig.Publish([](int k) { return Sine(k, 1000, 9000, 1); },
                [](int k) { return Sine(k, 250, 4000, 2); });
    const fs::path file = fs::temp_directory_path() / ("osc_spectrum_" + std::to_string(getpid()));
    fs::create_directories(file);
    ASSERT_EQ(rig.window->Write((file / "s.csv").string()), "");

    std::string header;
    const CsvSpectrum csv = ParseCsv(ReadAll((file / "s.csv").string()), header);
    EXPECT_EQ(header, "frequency_Hz,current_mA,voltage_mV");
    ASSERT_EQ(csv.frequency.size(), kBlockFrames / 2 + 1);
    EXPECT_EQ(csv.frequency[1], kRate / kBlockFrames);
    EXPECT_EQ(csv.frequency.back(), kRate / 2);
    const double binWidth = kRate / kBlockFrames;
    const std::size_t peakI = PeakOf(csv.current);
    const std::size_t peakU = PeakOf(csv.voltage);
    EXPECT_LE(std::abs(csv.frequency[peakI] - 1000), binWidth / 2);
    EXPECT_LE(std::abs(csv.frequency[peakU] - 250), binWidth / 2);
    const double scaleI = rig.form->model.currentScale;
    const double scaleU = rig.form->model.voltageScale;
    // Levels as the rms readouts give them: a sine of amplitude A reads A / 2 times the scale,
    // their mean running over twice the block's frames.
    EXPECT_NEAR(csv.current[peakI] / (9000 / 2.0 * scaleI), 1, 0.001);
    // Power average of two blocks of 3000 and 4000 peak: sqrt((3000² + 4000²) / 2) / 2.
    EXPECT_NEAR(csv.voltage[peakU] / (std::sqrt(12.5e6) / 2.0 * scaleU), 1, 0.001);

    // The picture keeps its text as text, with each channel's distortion line.
    ASSERT_EQ(rig.window->Write((file / "s.svg").string()), "");
    const std::string svg = ReadAll((file / "s.svg").string());
    EXPECT_NE(svg.find("<text"), std::string::npos);
    EXPECT_NE(svg.find("THD+N"), std::string::npos);
    ASSERT_EQ(rig.window->Write((file / "s.png").string()), "");
    EXPECT_FALSE(QImage(QString::fromStdString((file / "s.png").string())).isNull());

    // A file that cannot be written is said by name and cause, and nothing is left behind.
    const std::string lost = (file / "gone" / "s.csv").string();
    const std::string error = rig.window->Write(lost);
    EXPECT_NE(error.find(lost), std::string::npos) << error;
    EXPECT_NE(rig.window->Write((file / "s.txt").string()), "");
    fs::remove_all(file);
}

} // namespace
} // namespace app::spectrum
