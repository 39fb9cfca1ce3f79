// SPDX-License-Identifier: MIT
// Sound files streamed into the simulated card's input: files longer than the read-ahead,
// headers that announce more than the file holds, pipes, damaged files and a reader that falls
// behind or is stuck.
#include "platform/sim/SoundFileSource.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <future>
#include <mutex>
#include <pthread.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

using platform::sim::SoundFileSource;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Generous: the machine that runs the tests may be busy.
constexpr auto kDeadline = std::chrono::seconds(60);

// The n-th frame of every test file: never silent, and different for every n the tests reach,
// so that a repeated, skipped or silent frame shows.
std::int16_t PatternR(std::size_t n) {
    return static_cast<std::int16_t>(n % 32767 + 1);
}
std::int16_t PatternL(std::size_t n) {
    return static_cast<std::int16_t>(-1 - long(n / 32767));
}

std::vector<std::int16_t> Pattern(std::size_t frames) {
    std::vector<std::int16_t> stereo(2 * frames);
    for (std::size_t n = 0; n < frames; ++n) {
        stereo[2 * n] = PatternR(n);
        stereo[2 * n + 1] = PatternL(n);
    }
    return stereo;
}

// Where `stereo` (from its frame `at` on, `count` frames) differs from the pattern's frames
// `from`, `from`+1, ...; `silence` compares with silent frames instead. Empty when it does not.
std::string Mismatch(const std::vector<std::int16_t>& stereo, std::size_t at, std::size_t count,
                     std::size_t from, bool silence = false) {
    for (std::size_t k = 0; k < count; ++k) {
        const std::int16_t r = silence ? 0 : PatternR(from + k);
        const std::int16_t l = silence ? 0 : PatternL(from + k);
        if (stereo[2 * (at + k)] != r || stereo[2 * (at + k) + 1] != l) {
            return "frame " + std::to_string(at + k) + " is (" +
                   std::to_string(stereo[2 * (at + k)]) + ", " +
                   std::to_string(stereo[2 * (at + k) + 1]) + "), expected (" + std::to_string(r) +
                   ", " + std::to_string(l) + ")";
        }
    }
    return {};
}

// How many frames of `stereo` follow the pattern from its start.
std::size_t LeadingPattern(const std::vector<std::int16_t>& stereo) {
    std::size_t n = 0;
    while (2 * n < stereo.size() && stereo[2 * n] == PatternR(n) &&
           stereo[2 * n + 1] == PatternL(n)) {
        ++n;
    }
    return n;
}

// The 44-byte header of a 16-bit stereo WAV file at the card's rate.
struct WavHeader {
    char riff[4] = {'R', 'I', 'F', 'F'};
    std::uint32_t riffBytes;
    char wave[8] = {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
    std::uint32_t formatBytes = 16;
    std::uint16_t pcm = 1, channels = 2;
    std::uint32_t rate = 44100, bytesPerSecond = 4 * 44100;
    std::uint16_t bytesPerFrame = 4, bits = 16;
    char data[4] = {'d', 'a', 't', 'a'};
    std::uint32_t dataBytes;
};
static_assert(sizeof(WavHeader) == 44);

// A WAV file whose header announces `announced` frames, followed by the pattern's first `held`.
std::string WavBytes(std::uint64_t announced, std::size_t held) {
    WavHeader header;
    header.dataBytes = static_cast<std::uint32_t>(announced * 4);
    header.riffBytes = header.dataBytes + 36; // wraps as a writer's would
    std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
    const std::vector<std::int16_t> data = Pattern(held);
    return bytes.append(reinterpret_cast<const char*>(data.data()), 2 * data.size());
}

// Collects what a source says, from whichever thread says it.
class Notices {
public:
    SoundFileSource::Notice Sink() {
        return [this](const std::string& message) {
            std::lock_guard lock(mutex_);
            messages_.push_back(message);
            changed_.notify_all();
        };
    }
    // Waits until a message containing `part` has come; false after the deadline.
    bool WaitFor(const std::string& part) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, kDeadline, [&] { return CountLocked(part) > 0; });
    }
    std::size_t Count(const std::string& part = "") {
        std::lock_guard lock(mutex_);
        return CountLocked(part);
    }
    std::string All() {
        std::lock_guard lock(mutex_);
        std::string all;
        for (const std::string& m : messages_) {
            all += m + "\n";
        }
        return all;
    }

private:
    std::size_t CountLocked(const std::string& part) const {
        return std::count_if(messages_.begin(), messages_.end(), [&](const std::string& m) {
            return m.find(part) != std::string::npos;
        });
    }
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> messages_;
};

// The writing end of a named pipe, on its own thread: sends `bytes`, then closes the pipe, or
// keeps it open without sending more until Close when `stall` is set.
class PipeWriter {
public:
    PipeWriter(const std::string& path, std::string bytes, bool stall) {
        EXPECT_EQ(mkfifo(path.c_str(), 0600), 0) << std::strerror(errno);
        thread_ = std::thread([this, path, bytes = std::move(bytes), stall] {
            // A reader that goes away must fail the write, not end the test program.
            sigset_t pipeSignal;
            sigemptyset(&pipeSignal);
            sigaddset(&pipeSignal, SIGPIPE);
            pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
            const int fd = open(path.c_str(), O_WRONLY);
            for (std::size_t sent = 0; fd >= 0 && sent < bytes.size();) {
                const ssize_t n = write(fd, bytes.data() + sent, bytes.size() - sent);
                if (n <= 0) {
                    break;
                }
                sent += static_cast<std::size_t>(n);
            }
            std::unique_lock lock(mutex_);
            closing_.wait(lock, [&] { return !stall || close_; });
            close(fd);
        });
    }
    ~PipeWriter() {
        Close();
        thread_.join();
    }
    void Close() {
        std::lock_guard lock(mutex_);
        close_ = true;
        closing_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable closing_;
    bool close_ = false;
    std::thread thread_;
};

// The process's resident memory in bytes.
std::size_t ResidentBytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stoul(line.substr(6)) * 1024;
        }
    }
    ADD_FAILURE() << "no VmRSS in /proc/self/status";
    return 0;
}

class SimSoundFileStream : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = test->name();
        std::replace(name.begin(), name.end(), '/', '-');
        directory =
            fs::temp_directory_path() / ("sim-stream-" + std::to_string(getpid()) + "-" + name);
        fs::create_directories(directory);
    }
    void TearDown() override { fs::remove_all(directory); }

    std::string Path(const std::string& name) const { return (directory / name).string(); }

    std::string WriteFile(const std::string& name, const std::string& bytes) const {
        std::ofstream(Path(name), std::ios::binary) << bytes;
        return Path(name);
    }

    // Renders `frames` frames once the reader has them ready, as the card would on a machine
    // where the reader keeps up.
    static std::vector<std::int16_t> RenderReady(SoundFileSource& source, std::size_t frames) {
        const auto end = Clock::now() + kDeadline;
        while (source.Buffered() < frames && Clock::now() < end) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        EXPECT_GE(source.Buffered(), frames) << "the reader never caught up";
        return RenderNow(source, frames);
    }
    static std::vector<std::int16_t> RenderNow(SoundFileSource& source, std::size_t frames) {
        std::vector<std::int16_t> played(frames), stereo(2 * frames, 7);
        source.Render(played.data(), frames, stereo.data());
        return stereo;
    }
    // RenderReady in card-sized steps, appended into one recording.
    static std::vector<std::int16_t> Play(SoundFileSource& source, std::size_t frames) {
        std::vector<std::int16_t> recording;
        recording.reserve(2 * frames);
        for (std::size_t done = 0; done < frames;) {
            const std::size_t step = std::min<std::size_t>(frames - done, 1024);
            const std::vector<std::int16_t> part = RenderReady(source, step);
            recording.insert(recording.end(), part.begin(), part.end());
            done += step;
        }
        return recording;
    }

    fs::path directory;
    Notices notices;
};

TEST_F(SimSoundFileStream, FileLongerThanTheReadAheadLoopsFrameExactly) {
    const std::size_t held = 200003; // past the ring's size and no multiple of its chunks
    SoundFileSource source(WriteFile("long.wav", WavBytes(held, held)), notices.Sink());
    ASSERT_GT(held, source.Capacity());
    EXPECT_EQ(source.Frames(), held);
    const std::vector<std::int16_t> recording = Play(source, 2 * held + 50000);
    EXPECT_EQ(Mismatch(recording, 0, held, 0), "");
    EXPECT_EQ(Mismatch(recording, held, held, 0), "") << "the second pass";
    EXPECT_EQ(Mismatch(recording, 2 * held, 50000, 0), "") << "the third pass";
    EXPECT_EQ(notices.Count(), 0u) << notices.All();
}

struct HeaderCase {
    const char* name;
    std::uint64_t announced;
    std::size_t held;
    bool pipe;
    friend void PrintTo(const HeaderCase& c, std::ostream* out) { *out << c.name; }
};

class SimSoundFileHeader : public SimSoundFileStream,
                           public ::testing::WithParamInterface<HeaderCase> {};

// A file plays what it holds, over and over; a pipe, which cannot be started over, once and
// then silence, said once.
TEST_P(SimSoundFileHeader, PlaysWhatIsThereWhateverTheHeaderAnnounces) {
    const HeaderCase& c = GetParam();
    const std::string bytes = WavBytes(c.announced, c.held);
    std::unique_ptr<PipeWriter> writer;
    std::string path = Path("sound.wav");
    if (c.pipe) {
        writer = std::make_unique<PipeWriter>(path, bytes, false);
    } else {
        WriteFile("sound.wav", bytes);
    }
    SoundFileSource source(path, notices.Sink());
    if (c.pipe) {
        ASSERT_TRUE(notices.WaitFor("ended")) << notices.All();
        EXPECT_EQ(source.Frames(), c.announced);
        const std::vector<std::int16_t> recording = RenderNow(source, 2 * c.held + 100);
        EXPECT_EQ(Mismatch(recording, 0, c.held, 0), "");
        EXPECT_EQ(Mismatch(recording, c.held, c.held + 100, 0, true), "") << "then silence";
        EXPECT_EQ(notices.Count(), 1u) << notices.All();
        EXPECT_EQ(notices.Count("cannot be started over"), 1u) << notices.All();
    } else {
        const std::vector<std::int16_t> recording = RenderReady(source, 2 * c.held + 100);
        EXPECT_EQ(Mismatch(recording, 0, c.held, 0), "");
        EXPECT_EQ(Mismatch(recording, c.held, c.held, 0), "") << "then from the start";
        EXPECT_EQ(notices.Count(), 0u) << notices.All();
    }
}

INSTANTIATE_TEST_SUITE_P(Lengths, SimSoundFileHeader,
                         ::testing::Values(HeaderCase{"TruncatedFile", 100000, 5000, false},
                                           HeaderCase{"PipeAnnouncing4GB", 0x3FFFFFF0, 5000, true},
                                           HeaderCase{"PipeShorterThanTheFirstRead", 1000, 1000,
                                                      true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimSoundFileStream, OneGigabyteSparseFilePlaysWithBoundedMemory) {
    const std::uint64_t announced = ((std::uint64_t{1} << 30) - 44) / 4;
    const std::size_t held = 3 * 44100;
    const std::string path = WriteFile("sparse.wav", WavBytes(announced, held));
    fs::resize_file(path, std::uint64_t{1} << 30); // the rest reads as zeros, taking no disk
    const std::size_t before = ResidentBytes();
    SoundFileSource source(path, notices.Sink());
    EXPECT_EQ(source.Frames(), announced);
    // Twenty seconds: the data, then the zeros after it, checked step by step so that the test
    // itself holds little.
    for (std::size_t done = 0, step = 4410; done < 20 * 44100; done += step) {
        const std::vector<std::int16_t> part = RenderReady(source, step);
        const std::size_t data = done < held ? std::min(step, held - done) : 0;
        ASSERT_EQ(Mismatch(part, 0, data, done), "") << "from frame " << done;
        ASSERT_EQ(Mismatch(part, data, step - data, 0, true), "") << "from frame " << done;
    }
    const std::size_t after = ResidentBytes();
    EXPECT_LT(after, before + (std::size_t{16} << 20))
        << "resident memory grew from " << before << " to " << after << " bytes";
}

TEST_F(SimSoundFileStream, ReaderThatFallsBehindLeavesSilenceAndRepeatsOrSkipsNothing) {
    SoundFileSource source(WriteFile("long.wav", WavBytes(400000, 400000)), notices.Sink());
    // More than the ring ever holds, at once: the reader cannot keep up.
    const std::size_t asked = source.Capacity() + 20000;
    const std::vector<std::int16_t> burst = RenderNow(source, asked);
    const std::size_t delivered = LeadingPattern(burst);
    EXPECT_GE(delivered, 4096u) << "the first frames are read before the card starts";
    EXPECT_EQ(Mismatch(burst, delivered, asked - delivered, 0, true), "") << "the gap";
    const std::vector<std::int16_t> next = Play(source, 10000);
    EXPECT_EQ(Mismatch(next, 0, 10000, delivered), "") << "goes on where the gap began";
    EXPECT_TRUE(notices.WaitFor("could not be read in time")) << notices.All();
    EXPECT_EQ(notices.Count(), 1u) << notices.All();
}

TEST_F(SimSoundFileStream, PipeWhoseWriterStallsDoesNotHoldUpTheEnd) {
    const std::string path = Path("stalled.wav");
    PipeWriter writer(path, WavBytes(0x3FFFFFF0, 5000), true);
    auto source = std::make_unique<SoundFileSource>(path, notices.Sink());
    EXPECT_EQ(Mismatch(RenderNow(*source, 4096), 0, 4096, 0), "");
    // The reader now waits for frames that do not come; ending the source must not wait for
    // them. Should it, closing the writer lets it go on, so that the test fails, not hangs.
    auto ending = std::async(std::launch::async, [&] { source.reset(); });
    const bool ended = ending.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    writer.Close();
    ending.wait();
    EXPECT_TRUE(ended) << "the source waited for the stalled pipe";
    EXPECT_EQ(notices.Count(), 0u) << notices.All();
}

// libsndfile reports a compressed file cut short as a failed read.
TEST_F(SimSoundFileStream, CutCompressedFilePlaysUpToTheCutOverAndOverAndSaysSoOnce) {
    const std::size_t frames = 200000;
    const std::string path = Path("cut.flac");
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    sf_writef_short(file, Pattern(frames).data(), frames);
    sf_close(file);
    fs::resize_file(path, fs::file_size(path) / 2);

    SoundFileSource source(path, notices.Sink());
    const std::vector<std::int16_t> recording = Play(source, 2 * frames);
    const std::size_t good = LeadingPattern(recording);
    EXPECT_GT(good, frames / 4) << "plays what lies before the cut";
    EXPECT_LT(good, frames);
    EXPECT_EQ(Mismatch(recording, good, good, 0), "") << "then from the start";
    EXPECT_TRUE(notices.WaitFor("reading failed")) << notices.All();
    EXPECT_EQ(notices.Count(), 1u) << notices.All();
}

// The user overwrites the recording while it plays: what was read plays out, then silence,
// without the reader spinning on a file with nothing in it.
TEST_F(SimSoundFileStream, FileEmptiedWhilePlayingEndsInSilence) {
    const std::string path = WriteFile("shrinks.wav", WavBytes(300000, 300000));
    SoundFileSource source(path, notices.Sink());
    fs::resize_file(path, 44);
    // Taking what is read ahead makes room, so that the reader reads again.
    std::vector<std::int16_t> recording = RenderNow(source, source.Buffered());
    ASSERT_TRUE(notices.WaitFor("ended: it holds no sound")) << notices.All();
    const std::vector<std::int16_t> rest = RenderNow(source, source.Capacity() + 10000);
    recording.insert(recording.end(), rest.begin(), rest.end());
    const std::size_t asked = recording.size() / 2;
    const std::size_t delivered = LeadingPattern(recording);
    EXPECT_GE(delivered, 4096u) << "the frames read before the change";
    EXPECT_EQ(Mismatch(recording, delivered, asked - delivered, 0, true), "");
    EXPECT_EQ(notices.Count(), 1u) << notices.All();
}

} // namespace
