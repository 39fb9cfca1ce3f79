// SPDX-License-Identifier: MIT
#pragma once

// One instrument per sound card: two instances on one card would each set and restore its
// volumes under the other. The lock is an flock on a file in the user's own runtime folder,
// $XDG_RUNTIME_DIR/osciloskop-locks, named by a hash of the card's identity (CardIdentity).
// Only where XDG_RUNTIME_DIR is unset, or not a folder of the user's closed to others, is it
// /tmp/osciloskop-locks-UID, whose name another user of the machine could take first (that
// folder is then refused, never used). The system releases it at any exit, a crash included; a
// holder that ends normally removes the file, so files do not pile up with the servers ever used.

#include <memory>
#include <string>

namespace platform {

class CardLock {
public:
    // Takes the lock for `card`; nothing when another process holds it. Throws
    // std::runtime_error with the system's reason when the lock file cannot be opened.
    static std::unique_ptr<CardLock> Take(const std::string& card);
    // Removes the lock file, then releases the lock.
    ~CardLock();
    CardLock(const CardLock&) = delete;
    CardLock& operator=(const CardLock&) = delete;

    // The lock file used for `card`.
    static std::string PathFor(const std::string& card);

private:
    CardLock(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    int fd_;
    std::string path_;
};

} // namespace platform
