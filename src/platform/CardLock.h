// SPDX-License-Identifier: MIT
#pragma once

// One instrument per sound card: two instances on one card would each set and restore its
// volumes under the other. The lock is an flock on a file named by a hash of the card's identity
// (CardIdentity), taken in the user's own runtime folder, $XDG_RUNTIME_DIR/osciloskop-locks,
// where nobody else can take a name, and in /tmp/osciloskop-locks-UID, which every session of the
// user shares whatever its environment. Another user's folder of that /tmp name is refused, never
// used: it blocks the lock only where XDG_RUNTIME_DIR is unset (or not a folder of the user's
// closed to others). The system releases the locks at any exit, a crash included; a holder that
// ends normally removes its files, so files do not pile up with the servers ever used.

#include <memory>
#include <string>
#include <utility>
#include <vector>

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

    // The lock file used for `card`: the runtime folder's, else the one in /tmp.
    static std::string PathFor(const std::string& card);

private:
    CardLock() = default;
    // Locks the file at `path`; false when another process holds it.
    bool Add(const std::string& path);

    std::vector<std::pair<int, std::string>> held_; // descriptor and path of each lock file
};

} // namespace platform
