// SPDX-License-Identifier: MIT
// Output files: what a path may be, one file under two names, a whole write that never costs the
// earlier file, a link written through and never replaced, and log rows that are all or nothing.
// A full disk is stood in for by a file size limit (EFBIG past it), which needs no root and no
// mount.

#include "platform/OutputFile.h"
#include "platform/RowAppender.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

class OutputFileTest : public testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/osc-output-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir_ = name;
    }
    void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

    std::string At(const std::string& name) const { return dir_ + "/" + name; }
    static void Put(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string Read(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }
    static std::string Command(const std::string& command) {
        std::string out;
        if (FILE* pipe = popen(command.c_str(), "r")) {
            char chunk[256];
            while (fgets(chunk, sizeof chunk, pipe) != nullptr) {
                out += chunk;
            }
            pclose(pipe);
        }
        return out;
    }

    std::string dir_;
};

// Writes past `bytes` fail with EFBIG while this lives, as a full disk fails them.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, previous_);
    }

private:
    rlimit old_{};
    void (*previous_)(int) = nullptr;
};

TEST_F(OutputFileTest, OnlyRegularFilesLinksToThemAndNewFilesAreAccepted) {
    Put(At("old.csv"), "x");
    ASSERT_EQ(mkfifo(At("fifo").c_str(), 0600), 0);
    ASSERT_EQ(mkdir(At("dir").c_str(), 0700), 0);
    ASSERT_EQ(symlink("old.csv", At("link").c_str()), 0);
    ASSERT_EQ(symlink("/dev/full", At("full").c_str()), 0);
    ASSERT_EQ(symlink("missing/x", At("dangling").c_str()), 0);
    ASSERT_EQ(symlink("fifo", At("fifolink").c_str()), 0);
    struct Case {
        std::string path;
        const char* refusal; // part of it; nullptr: accepted
    };
    const Case cases[] = {
        {At("old.csv"), nullptr},
        {At("new.csv"), nullptr},
        {At("link"), nullptr},
        {At("dir"), "is a directory"},
        {At("fifo"), "is a named pipe (FIFO)"},
        {At("fifolink"), "is a link to a named pipe (FIFO)"},
        {"/dev/null", "is a device"},
        {At("full"), "is a link to a device"},
        {At("dangling"), "is a symbolic link to nothing"},
        {At("missing/new.csv"), "cannot be used: No such file or directory"},
        {At("old.csv/new.csv"), "cannot use"},
        {"", "needs a file name"},
    };
    for (const Case& c : cases) {
        const std::string refusal = CheckOutputPath(c.path);
        if (c.refusal == nullptr) {
            EXPECT_EQ(refusal, "") << c.path;
        } else {
            EXPECT_NE(refusal.find(c.refusal), std::string::npos) << c.path << ": " << refusal;
        }
    }
}

TEST_F(OutputFileTest, TwoSpellingsOfOneFileAreTheSameOutput) {
    Put(At("a.csv"), "x");
    ASSERT_EQ(symlink("a.csv", At("link").c_str()), 0);
    ASSERT_EQ(link(At("a.csv").c_str(), At("hard").c_str()), 0);
    ASSERT_EQ(mkdir(At("sub").c_str(), 0700), 0);
    ASSERT_EQ(symlink(dir_.c_str(), At("sub/up").c_str()), 0);
    struct Case {
        std::string first, second;
        bool same;
    };
    const Case cases[] = {
        {At("a.csv"), At("link"), true},
        {At("a.csv"), dir_ + "/./a.csv", true},
        {At("a.csv"), At("hard"), true},
        {At("new.csv"), At("sub/../new.csv"), true},
        {At("new.csv"), At("sub/up/new.csv"), true},
        {At("new.csv"), At("sub/new.csv"), false},
        {At("a.csv"), At("new.csv"), false},
        {At("new.csv"), At("a.csv"), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SameOutputFile(c.first, c.second), c.same) << c.first << " / " << c.second;
    }
}

TEST_F(OutputFileTest, TheProgramsOutputsAreRefusedByOptionBeforeAnythingRuns) {
    ASSERT_EQ(mkfifo(At("fifo").c_str(), 0600), 0);
    ASSERT_EQ(symlink("log.csv", At("link.csv").c_str()), 0);
    struct Case {
        std::vector<NamedOutput> outputs;
        std::string refusal;
    };
    const Case cases[] = {
        {{{"--log", At("log.csv")}, {"--report", At("r.csv")}, {"--screenshot", ""}}, ""},
        {{{"--log", At("same.csv")}, {"--report", dir_ + "/./same.csv"}},
         "--log and --report name one file '" + dir_ + "/./same.csv'; give each its own"},
        {{{"--report", At("fifo")}, {"--log", At("fifo")}},
         "--report: '" + At("fifo") + "' is a named pipe (FIFO), not a regular file"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CheckOutputs(c.outputs), c.refusal);
    }
    Put(At("log.csv"), "");
    const std::vector<NamedOutput> throughLink{{"--report", At("link.csv")},
                                               {"--screenshot", At("log.csv")}};
    EXPECT_EQ(CheckOutputs(throughLink),
              "--report and --screenshot name one file '" + At("log.csv") + "'; give each its own");
}

TEST_F(OutputFileTest, AWholeWriteReplacesTheFileAndKeepsItsMode) {
    Put(At("r.csv"), "old content that is longer");
    ASSERT_EQ(chmod(At("r.csv").c_str(), 0640), 0);
    EXPECT_EQ(WriteWhole(At("r.csv"), "new"), "");
    EXPECT_EQ(Read(At("r.csv")), "new");
    struct stat info {};
    ASSERT_EQ(stat(At("r.csv").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(WriteWhole(At("fresh.csv"), ""), "");
    EXPECT_EQ(Read(At("fresh.csv")), "");
    EXPECT_EQ(Command("ls -A '" + dir_ + "'"), "fresh.csv\nr.csv\n");
}

TEST_F(OutputFileTest, AFailedWriteKeepsTheEarlierFileAndNamesTheCause) {
    Put(At("r.csv"), "the earlier good report\n");
    const std::string big(100000, 'x');
    std::string error;
    {
        const FileSizeLimit limit(4096);
        error = WriteWhole(At("r.csv"), big);
    }
    EXPECT_NE(error.find("cannot write '" + At("r.csv") + "': File too large"), std::string::npos)
        << error;
    EXPECT_EQ(Read(At("r.csv")), "the earlier good report\n");
    EXPECT_EQ(Command("ls -A '" + dir_ + "'"), "r.csv\n") << "a temporary file was left";
}

TEST_F(OutputFileTest, ALinkIsWrittenThroughAndStaysALink) {
    Put(At("target.csv"), "old target content");
    ASSERT_EQ(symlink("target.csv", At("r.csv").c_str()), 0);
    EXPECT_EQ(WriteWhole(At("r.csv"), "new"), "");
    struct stat info {};
    ASSERT_EQ(lstat(At("r.csv").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(Read(At("target.csv")), "new");

    // Through a link, the room is reserved before a byte changes.
    std::string error;
    {
        const FileSizeLimit limit(4096);
        error = WriteWhole(At("r.csv"), std::string(100000, 'y'));
    }
    EXPECT_NE(error.find("File too large"), std::string::npos) << error;
    EXPECT_EQ(Read(At("target.csv")), "new");
}

TEST_F(OutputFileTest, ALinkToADeviceIsNeverReplacedByAFile) {
    ASSERT_EQ(symlink("/dev/full", At("r.csv").c_str()), 0);
    EXPECT_NE(WriteWhole(At("r.csv"), "report"), "");
    struct stat info {};
    ASSERT_EQ(lstat(At("r.csv").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    ASSERT_EQ(stat("/dev/full", &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode));
    EXPECT_NE(WriteWhole("/dev/full", "report"), "");
    ASSERT_EQ(stat("/dev/full", &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode));
}

TEST_F(OutputFileTest, ALogRowThatCannotBeWrittenWholeIsCutOffAndReportedOnce) {
    const std::string row = "12.345;67.890;1000.0\n"; // 21 bytes
    std::string error;
    const std::unique_ptr<RowAppender> log = RowAppender::Open(At("log.csv"), error);
    ASSERT_TRUE(log) << error;
    {
        const FileSizeLimit limit(100);
        for (int i = 0; i < 4; ++i) {
            ASSERT_TRUE(log->Append(row)) << i << ": " << log->Error();
        }
        EXPECT_FALSE(log->Append(row)); // bytes 84 to 105 cross the limit
        EXPECT_FALSE(log->Append(row));
    }
    EXPECT_FALSE(log->Append(row)) << "rows after a lost one would leave a silent gap";
    EXPECT_NE(log->Error().find("File too large"), std::string::npos) << log->Error();
    EXPECT_EQ(log->Finish(), log->Error());
    const std::string text = Read(At("log.csv"));
    EXPECT_EQ(text.size(), 4 * row.size());
    EXPECT_EQ(text.back(), '\n');
}

TEST_F(OutputFileTest, ALogOnAFifoOrDeviceIsRefusedWithoutWaiting) {
    ASSERT_EQ(mkfifo(At("fifo").c_str(), 0600), 0);
    std::string error;
    EXPECT_FALSE(RowAppender::Open(At("fifo"), error));
    EXPECT_NE(error.find("FIFO"), std::string::npos) << error;
    EXPECT_FALSE(RowAppender::Open("/dev/full", error));
    EXPECT_NE(error.find("device"), std::string::npos) << error;
}

} // namespace
} // namespace platform
