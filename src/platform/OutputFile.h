// SPDX-License-Identifier: MIT
#pragma once

// The files the instrument writes (log, report, screenshot, spectrum export, calibration file)
// go through here, so that bad paths are refused before anything runs and a failed write never
// costs the earlier file.
//
// What a path may be: a regular file, a new file in an existing folder, or a symbolic link to
// an existing regular file. Anything else (directory, FIFO, device, socket, a link to nothing)
// is refused by name; the check never opens the path, so a FIFO cannot block it.
//
// A symbolic link is written through, as `cp` writes through it: the link stays a link and its
// target gets the new content. The target is never resolved by this code and renamed over
// (run as root in a shared folder, that would replace whatever the link points at, /dev/full
// or /etc/passwd alike, past the kernel's link protections): the kernel follows the link in
// open(), without O_CREAT, and the open file must turn out to be a regular file. The price: a
// link's target is rewritten in place, not replaced by a rename. Its room is reserved first
// (fallocate), so a full disk or a file size limit fails before a byte changes; only an error
// of the device itself in the middle of the write can leave it half new.
//
// POSIX; called on the UI thread (main and the window), each call complete when it returns.

#include <span>
#include <string>
#include <string_view>

namespace platform {

// Why `path` cannot take an output ("'x' is a directory"), empty when it can.
std::string CheckOutputPath(const std::string& path);

// Whether two output paths name one file: by device and inode where the file exists (links,
// hard links and "./" spellings included), by the real path of the folder plus the name where
// it is new. main() refuses two outputs on one file with it.
bool SameOutputFile(const std::string& first, const std::string& second);

// One output of the program as the command line names it.
struct NamedOutput {
    std::string option; // "--log"
    std::string path;   // empty: not asked for
};

// The first refusal among `outputs` ("--report: '/tmp/f' is a named pipe (FIFO), not a regular
// file", "--log and --report name one file 'same.csv'"), empty when every output asked for can
// be written. main() asks it before the window opens and refuses the start (exit code 2).
std::string CheckOutputs(std::span<const NamedOutput> outputs);

// Writes `bytes` as the whole content of `path`: a regular or new file through a temporary file
// in its folder (every write checked, fsync, close, then rename over it, keeping the old file's
// mode), a link as described above. Returns the error, naming the path and the system's cause
// ("cannot write 'r.csv': No space left on device"), empty when the content is on disk.
std::string WriteWhole(const std::string& path, std::string_view bytes);

} // namespace platform
