// SPDX-License-Identifier: MIT
#pragma once

// The files a run writes, as the command line names them. main() checks the list before the window
// opens (a FIFO, a device, a directory or two outputs on one file end the start with exit code 2),
// so that no output is found unusable only after the measurement; a new output option joins the
// list with one line. Used on the UI thread.

#include "app/program/Options.h"

#include "platform/OutputFile.h"

#include <string>
#include <vector>

namespace app {

// Every output file this run is asked to write, by option; standard output ("--log -") is none.
std::vector<platform::NamedOutput> RunOutputs(const Options& options);

} // namespace app
