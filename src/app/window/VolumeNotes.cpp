// SPDX-License-Identifier: MIT
#include "app/window/VolumeNotes.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace app {

namespace {

int Percent(std::uint32_t level) {
    return static_cast<int>((level * 100 + 0x7FFF) / 0xFFFF);
}

struct Note {
    std::string text;
};

// Every note ever set stays allocated: a signal handler may be reading the one it replaced.
std::mutex notesMutex;
std::vector<std::unique_ptr<Note>> notes;
std::atomic<const Note*> currentNote{nullptr};

} // namespace

std::string UnrestoredVolumeLine(const std::string& name, std::uint32_t volume,
                                 const std::string& reason) {
    return "osciloskop: could not restore the volume of '" + name + "' (left " +
           std::to_string(Percent(volume & 0xFFFF)) + " %, right " +
           std::to_string(Percent(volume >> 16)) + " %): " + reason + "; set it by hand";
}

void SetImmediateExitNote(std::string note) {
    std::lock_guard lock(notesMutex);
    notes.push_back(std::make_unique<Note>(Note{std::move(note)}));
    currentNote.store(notes.back().get());
}

const char* ImmediateExitNote(std::size_t& length) {
    const Note* note = currentNote.load();
    length = note == nullptr ? 0 : note->text.size();
    return note == nullptr ? "" : note->text.c_str();
}

} // namespace app
