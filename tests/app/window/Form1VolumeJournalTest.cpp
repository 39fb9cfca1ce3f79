// SPDX-License-Identifier: MIT
// The user's volumes through the window's whole life as the program runs it: nothing changed
// before the program says the start can go on, a journal on disk before the first change and
// gone after the last restore, the levels a killed instrument left given back, and a server
// that did not answer at start asked again instead of being given up for the session.

#include "Form1TestRig.h"

#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include <unistd.h>

namespace app {
namespace {

namespace fs = std::filesystem;
using test::RecordingVolumes;
using Volumes = platform::VolumeJournal::Volumes;

constexpr Volumes kLeftByKilledRun{0x66666666u, 1, 2, 3, 4, 5};

// The simulated card's volume table behind a server that answers only when told to, and that
// can look at the journal the moment the first volume is changed.
class ServerVolumes final : public platform::VolumeService {
public:
    std::uint32_t WaveOutGetVolume(std::uint32_t device) override {
        return answering ? inner.WaveOutGetVolume(device) : 0;
    }
    void WaveOutSetVolume(std::uint32_t device, std::uint32_t volume) override {
        if (answering) {
            if (onFirstChange) {
                std::exchange(onFirstChange, {})();
            }
            inner.WaveOutSetVolume(device, volume);
        }
    }
    std::uint32_t AuxGetVolume(std::uint32_t device) override {
        return answering ? inner.AuxGetVolume(device) : 0;
    }
    void AuxSetVolume(std::uint32_t device, std::uint32_t volume) override {
        if (answering) {
            inner.AuxSetVolume(device, volume);
        }
    }
    std::string VolumeName(std::uint32_t device) override {
        return device == 0 ? "Master" : std::string();
    }
    bool Answering() override { return answering; }

    RecordingVolumes inner;
    bool answering = true;
    std::function<void()> onFirstChange;
};

// The window as main() builds it: volumes deferred, a journal in a state folder of its own.
class Form1VolumeJournal : public ::testing::Test {
protected:
    void SetUp() override {
        test::EnsureApplication();
        state_ = fs::temp_directory_path() / ("osc_journal_" + std::to_string(getpid()));
        fs::remove_all(state_);
        fs::create_directories(state_);
        setenv("XDG_STATE_HOME", state_.c_str(), 1);
        journal.emplace("hw:7");
    }
    void TearDown() override {
        form.reset();
        dispatcher.Drain();
        fs::remove_all(state_);
    }
    void Open() {
        form = std::make_unique<TForm1>(FormServices{card, volumes, memory, mixers, &*journal,
                                                     /*takeVolumesAtCreation=*/false});
    }
    std::optional<Volumes> Journal() const {
        std::string error;
        auto left = journal->ReadLeft(error);
        EXPECT_EQ(error, "");
        return left;
    }
    std::uint32_t Output() { return volumes.inner.table.WaveOutGetVolume(0); }

    fs::path state_;
    platform::QueueDispatcher dispatcher;
    platform::sim::SimulatedCard card{dispatcher};
    ServerVolumes volumes;
    platform::HeapBufferMemory memory;
    platform::sim::SimMixerDevices mixers;
    std::optional<platform::VolumeJournal> journal;
    std::unique_ptr<TForm1> form;
};

const Volumes& Start() {
    return platform::sim::SimVolumes::kStartVolumes;
}

TEST_F(Form1VolumeJournal, NothingIsReadOrChangedBeforeTheProgramTakesTheVolumes) {
    Open();
    EXPECT_TRUE(volumes.inner.calls.empty()) << volumes.inner.calls.front();
    EXPECT_FALSE(Journal());
    // A start refused now (a script that names no control) leaves the card as it was.
    form.reset();
    EXPECT_TRUE(volumes.inner.calls.empty());
    EXPECT_EQ(Output(), Start()[0]);
}

TEST_F(Form1VolumeJournal, TheJournalHoldsTheUsersLevelsBeforeTheFirstChangeAndGoesAfterTheClose) {
    Open();
    std::optional<Volumes> atFirstChange;
    volumes.onFirstChange = [this, &atFirstChange] { atFirstChange = Journal(); };
    form->TakeUserVolumes();
    ASSERT_TRUE(atFirstChange) << "no journal when the first volume changed";
    EXPECT_EQ(*atFirstChange, Start());
    EXPECT_EQ(Output(), 0x0000FFFFu);
    EXPECT_TRUE(form->close());
    EXPECT_EQ(Output(), Start()[0]);
    EXPECT_FALSE(Journal()) << "the journal outlived the restore";
}

TEST_F(Form1VolumeJournal, LevelsAKilledInstrumentLeftAreGivenBackAtThisClose) {
    ASSERT_EQ(journal->Write(kLeftByKilledRun), "");
    // The killed run left its own level on the card.
    volumes.inner.table.WaveOutSetVolume(0, 0x0000FFFF);
    Open();
    form->TakeUserVolumes();
    EXPECT_EQ(form->savedVolumes, kLeftByKilledRun);
    EXPECT_EQ(Journal(), kLeftByKilledRun) << "a second kill must still find the user's levels";
    EXPECT_TRUE(form->close());
    EXPECT_EQ(Output(), kLeftByKilledRun[0]);
    EXPECT_EQ(volumes.inner.table.AuxGetVolume(3), kLeftByKilledRun[3]);
    EXPECT_FALSE(Journal());
}

TEST_F(Form1VolumeJournal, AServerThatDidNotAnswerAtStartGetsTheOutputLevelOnceItDoes) {
    volumes.answering = false;
    Open();
    form->TakeUserVolumes();
    EXPECT_EQ(Output(), Start()[0]) << "nothing written while the server does not answer";
    EXPECT_FALSE(Journal());
    volumes.answering = true;
    EXPECT_TRUE(QTest::qWaitFor([this] { return Output() == 0x0000FFFFu; }, 20000))
        << "volume handling stayed off after the hiccup";
    EXPECT_EQ(form->savedVolumes, Start());
    EXPECT_TRUE(form->close());
    EXPECT_EQ(Output(), Start()[0]);
}

TEST_F(Form1VolumeJournal, AVolumeThatCannotBeGivenBackKeepsTheJournalForTheNextStart) {
    Open();
    form->TakeUserVolumes();
    volumes.answering = false;
    EXPECT_TRUE(form->close());
    EXPECT_EQ(Journal(), Start());
}

} // namespace
} // namespace app
