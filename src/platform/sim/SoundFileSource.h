// SPDX-License-Identifier: MIT
#pragma once

// A sound file played into the simulated card's input: how recordings are analysed and how tests
// feed chosen signals. The file must be at the card's rate (44 100 Hz) with one or two channels;
// a stereo file's first channel reaches channel R (voltage) and its second channel L (current);
// a mono file feeds both. Samples are converted to 16 bits. What the card's output plays is
// ignored.
//
// The file is streamed, never held whole: a reader thread keeps a fixed ring of about three
// seconds of converted frames ahead of the card, so memory stays the same for any file size and
// Render, called by the card on the thread that advances it, only copies from memory. A file
// that can seek plays over and over, whatever its header announces: a truncated file plays what
// it holds, a damaged one what can be read before the damage. A pipe or standard input ('-')
// cannot be started over: it plays once, then the input is silent; so is a file that fails and
// cannot be started over. Should the reader ever fall behind, Render plays silence for the
// frames it lacks and the file goes on where it was, nothing repeated or skipped.
//
// Each of these is said once through the notice: the end of the input, a failure the file is
// played up to, a reader that fell behind. The notice is called on the reader thread (or in the
// constructor), never after the destructor has begun.

#include "platform/sim/SimulatedCard.h"

#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace platform::sim {

class SoundFileSource final : public CaptureSource {
public:
    // Receives a one-line message for the user; an empty one writes it on standard error.
    using Notice = std::function<void(const std::string&)>;

    // Opens the file and reads its first frames on the caller's thread, so that a file the
    // card cannot play is refused here. Throws std::runtime_error naming the file and the reason
    // (missing or unreadable, not a sound file, not 44 100 Hz, more than two channels, no
    // frames). Blocks on a pipe until its writer has sent the header and the first frames.
    explicit SoundFileSource(const std::string& path, Notice notice = {});
    // Returns within about half a second even while the reader waits on a stalled pipe; such a
    // reader is left to finish on its own and says nothing more.
    ~SoundFileSource() override;
    SoundFileSource(const SoundFileSource&) = delete;
    SoundFileSource& operator=(const SoundFileSource&) = delete;

    void Render(const std::int16_t* played, std::size_t frames, std::int16_t* stereo) override;

    // The frames the file's header announces.
    std::uint64_t Frames() const;
    // Frames read ahead and not yet rendered; at most Capacity().
    std::size_t Buffered() const;
    // The most frames the source ever holds: its memory, whatever the file's size.
    std::size_t Capacity() const;

private:
    struct Stream;
    static void ReadAhead(std::shared_ptr<Stream> stream);

    std::shared_ptr<Stream> stream_; // shared with the reader thread, which may outlive us
    std::thread reader_;
};

} // namespace platform::sim
