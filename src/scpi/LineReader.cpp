// SPDX-License-Identifier: MIT
#include "scpi/LineReader.h"

#include <utility>

namespace scpi {

void LineReader::Feed(std::string_view bytes, std::vector<Line>& lines) {
    while (!bytes.empty()) {
        const std::size_t lf = bytes.find('\n');
        const std::string_view piece = bytes.substr(0, lf);
        if (!discarding) {
            if (partial.size() + piece.size() > kMaxLine) {
                // Reported now rather than at its LF, so that a client that never ends the
                // message still finds the error in its queue.
                discarding = true;
                partial = std::string();
                lines.push_back({{}, true});
            } else {
                partial += piece;
            }
        }
        if (lf == std::string_view::npos) {
            return;
        }
        if (!discarding) {
            if (!partial.empty() && partial.back() == '\r') {
                partial.pop_back();
            }
            lines.push_back({std::exchange(partial, {}), false});
        }
        discarding = false;
        bytes.remove_prefix(lf + 1);
    }
}

} // namespace scpi
