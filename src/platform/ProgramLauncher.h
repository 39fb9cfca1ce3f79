// SPDX-License-Identifier: MIT
#pragma once

// Starting another program on the user's request: the program is looked up on PATH and runs
// on its own, in its own session, detached from the caller, who neither waits for it nor hears
// from it again. Called on the UI thread.

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A way of starting a program: the command line (argv[0] is looked up on PATH) and, where the
// command runs another program (a terminal running a console program), that program too.
struct ProgramCommand {
    std::vector<std::string> argv;
    std::string alsoNeeds; // empty when the command needs nothing else
};

// The path of the executable file `name` in the first directory of PATH that has one; empty
// when there is none. A name with a slash is taken as it stands.
std::string FindOnPath(std::string_view name);

// Starts `argv` (argv[0] a path) detached; true once the program runs, false when it could not
// be started. Returns as soon as the program has started.
bool StartDetached(const std::vector<std::string>& argv);

// Starts the first command whose programs are all found on PATH; false when none is found or
// the one found fails to start (the later ones are not tried then).
bool StartFirstFound(std::span<const ProgramCommand> commands);

} // namespace platform
