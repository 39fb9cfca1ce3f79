// SPDX-License-Identifier: MIT
#pragma once

// A sound file read piece by piece as the simulated card's input frames: (R, L) pairs of 16-bit
// samples, a stereo file's first channel as R and its second as L, a mono file's channel as
// both. Every format is scaled from full scale 1.0 to the largest 16-bit value. A file that can
// seek is started over at its end, however many frames its header announced, and at a failed read
// (a damaged or cut compressed file); one that cannot seek (a pipe, standard input as '-') ends
// there. Read by one thread at a time; Path and AnnouncedFrames never change.

#include <sndfile.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform::sim {

// Throws the std::runtime_error that says why the card cannot play the file at `path`.
[[noreturn]] void RefuseSoundFile(const std::string& path, const std::string& reason);

class SoundFileReader {
public:
    // Opens `path` and checks its header. Throws std::runtime_error naming the file and the
    // reason when the card cannot play it (missing or unreadable, not a sound file, not
    // 44 100 Hz, more than two channels, no frames announced). Blocks on a pipe until its writer
    // has sent the header.
    explicit SoundFileReader(const std::string& path);

    // Reads up to `frames` frames into `stereo` (2*frames values). Returns fewer only when the
    // input has ended, for good; EndReason then says why. Blocks on a pipe until data comes.
    std::size_t Read(std::int16_t* stereo, std::size_t frames);

    const std::string& Path() const { return path_; }
    // The frames the header announces; a pipe's header may announce more than follow.
    std::uint64_t AnnouncedFrames() const { return static_cast<std::uint64_t>(info_.frames); }
    // Why the input ended, as a clause ("it holds no sound"); empty while it lasts.
    const std::string& EndReason() const { return endReason_; }
    // The first failure after which the file was started over, so that it now plays only up to
    // there ("reading failed: ..."); given once, empty otherwise.
    std::string TakeTrouble();

private:
    struct Closer {
        void operator()(SNDFILE* file) const { sf_close(file); }
    };

    // Called when a read came back short: starts the file over, or ends the input.
    void AtEnd();

    std::string path_;
    SF_INFO info_{};
    std::unique_ptr<SNDFILE, Closer> file_;
    std::vector<float> samples_;   // one read's worth, as libsndfile delivers them
    std::uint64_t sinceStart_ = 0; // frames read since the file was last (re)started
    std::string endReason_;
    std::string trouble_;
    bool failureSeen_ = false;
};

} // namespace platform::sim
