// SPDX-License-Identifier: MIT
#pragma once

// A file written row by row while the instrument runs (the readout log), each row all or
// nothing: a row that cannot be written whole (a full disk, a file size limit) is cut back off
// the file, so the file always ends with a complete row and never mid-number, and the error is
// reported once; the rows after it are not written. The path is checked as an output
// (OutputFile.h) and must be a regular file, or a link to one, or new.
//
// Called on one thread (the UI thread); POSIX.

#include <memory>
#include <string>
#include <string_view>

namespace platform {

class RowAppender {
public:
    // Opens `path`, emptied, for rows; nothing with `error` set when it cannot be.
    static std::unique_ptr<RowAppender> Open(const std::string& path, std::string& error);
    ~RowAppender();
    RowAppender(const RowAppender&) = delete;
    RowAppender& operator=(const RowAppender&) = delete;

    // Appends one row (with its line end, as given); false when it could not be written whole,
    // now or at an earlier row: the file then ends with the row before.
    bool Append(std::string_view row);
    // Flushes the rows to the disk and closes; returns the first error, empty when all is there.
    std::string Finish();

    // The first error ("cannot write 'log.csv': No space left on device"), empty while none.
    const std::string& Error() const { return error_; }

private:
    RowAppender(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    void Fail(int error);

    int fd_;
    std::string path_;
    long long end_ = 0; // end of the last whole row
    std::string error_;
};

} // namespace platform
