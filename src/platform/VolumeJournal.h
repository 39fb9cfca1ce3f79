// SPDX-License-Identifier: MIT
#pragma once

// The user's own volumes, saved on disk before the instrument first changes them and removed
// after it gave the last one back, so that the next start can give back what a killed or
// crashed instrument (SIGKILL, a crash, a power cut) left at its own levels, instead of taking
// those for the user's. One file per card, keyed by the card's identity (CardIdentity, the
// lock's), in $XDG_STATE_HOME/osciloskop (~/.local/state/osciloskop by default).
//
// A journal that is not one (random bytes, a cut file, another card's, absurdly large) is
// refused with the reason and never read whole; the caller says so and removes it. Called on
// the UI thread.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

class VolumeJournal {
public:
    // Volumes of waveform output device 0 and auxiliary devices 1 to 5, as the volume service
    // reads them.
    using Volumes = std::array<std::uint32_t, 6>;

    explicit VolumeJournal(std::string card);

    // The journal's file; empty when no state folder can be named (no HOME either).
    const std::string& Path() const { return path_; }

    // The volumes a previous instrument on this card saved and did not give back; nothing when
    // it gave them back (no file). `error` says why a file that is there cannot be used.
    std::optional<Volumes> ReadLeft(std::string& error) const;
    // Saves `volumes` before the first change (atomically: a cut write leaves the earlier
    // journal or none); returns the error, empty when they are on disk.
    std::string Write(const Volumes& volumes) const;
    // Removes the journal after the last restore; returns the error, empty when it is gone.
    std::string Remove() const;

private:
    std::string card_;
    std::string path_;
};

} // namespace platform
