// SPDX-License-Identifier: MIT
#include "app/program/RunOutputs.h"

namespace app {

std::vector<platform::NamedOutput> RunOutputs(const Options& options) {
    return {
        {"--log", options.log == "-" ? std::string() : options.log},
        {"--report", options.report},
        {"--screenshot", options.screenshot},
        {"--spectrum", options.spectrum},
    };
}

} // namespace app
