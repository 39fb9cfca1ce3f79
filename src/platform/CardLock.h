// SPDX-License-Identifier: MIT
#pragma once

// One instrument per sound card: two instances on one card would each set and restore its
// volumes under the other. The lock is an flock on a file named after the card in
// $XDG_RUNTIME_DIR (or /tmp), which the system releases at any exit, a crash included.

#include <memory>
#include <string>

namespace platform {

class CardLock {
public:
    // Takes the lock for `card`; nothing when another process holds it. Throws
    // std::runtime_error with the system's reason when the lock file cannot be opened.
    static std::unique_ptr<CardLock> Take(const std::string& card);
    ~CardLock();
    CardLock(const CardLock&) = delete;
    CardLock& operator=(const CardLock&) = delete;

    // The lock file used for `card`.
    static std::string PathFor(const std::string& card);

private:
    explicit CardLock(int fd) : fd_(fd) {}
    int fd_;
};

} // namespace platform
