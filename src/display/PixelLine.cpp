// SPDX-License-Identifier: MIT
#include "display/PixelLine.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace display {

namespace {

// The line is walked along its longer axis (the major one) from its lower end, one pixel per
// step; the minor coordinate is a 16.16 fixed-point value truncated to a whole pixel. A line
// whose minor coordinate rises starts half a step in, sampling at pixel centres; a falling
// one starts on its end point. This is how the painter rounds, ties and truncation included.
template <class Plot>
void WalkMajorAxis(int major1, int minor1, int major2, int minor2, Plot plot) {
    if (major2 < major1) {
        std::swap(major1, major2);
        std::swap(minor1, minor2);
    }
    const std::int64_t steps = major2 - major1;
    const std::int64_t rise = minor2 - minor1;
    const std::int64_t increment = (std::abs(rise) << 16) / steps;
    std::int64_t minor = rise >= 0 ? (increment + 1) / 2 : 0;
    const std::int64_t delta = rise >= 0 ? increment : -increment;
    for (std::int64_t k = 0; k <= steps; ++k, minor += delta) {
        plot(major1 + static_cast<int>(k), minor1 + static_cast<int>(minor >> 16));
    }
}

} // namespace

void DrawPixelLine(const PixelImage& image, int x1, int y1, int x2, int y2, std::uint32_t pixel) {
    const auto at = [&image](int x, int y) -> std::uint32_t& {
        return image.pixels[y * image.stride + x];
    };
    if (y1 == y2) {
        // The grid's rows and the centre line: one run of pixels.
        std::fill(&at(std::min(x1, x2), y1), &at(std::max(x1, x2), y1) + 1, pixel);
    } else if (std::abs(x2 - x1) >= std::abs(y2 - y1)) {
        WalkMajorAxis(x1, y1, x2, y2, [&](int x, int y) { at(x, y) = pixel; });
    } else {
        WalkMajorAxis(y1, x1, y2, x2, [&](int y, int x) { at(x, y) = pixel; });
    }
}

} // namespace display
