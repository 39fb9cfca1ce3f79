// SPDX-License-Identifier: MIT
#pragma once

// One-pixel lines written straight into a 32-bit image, pixel for pixel the same as the
// window's painter draws an aliased cosmetic line with both end points. A display cycle draws
// thousands of short segments, and writing them directly costs a fraction of the painter's
// per-line set-up. UI thread only.

#include <cstddef>
#include <cstdint>

namespace display {

// A 32-bit image: `stride` pixels from the start of one row to the next.
struct PixelImage {
    std::uint32_t* pixels = nullptr;
    std::ptrdiff_t stride = 0;
    int width = 0;
    int height = 0;

    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

// Sets every pixel of the line from (x1, y1) to (x2, y2), both ends included, to `pixel`.
// Both ends must lie inside the image: where the painter clips a line it rounds from the
// clipped ends, which this routine does not reproduce.
void DrawPixelLine(const PixelImage& image, int x1, int y1, int x2, int y2, std::uint32_t pixel);

} // namespace display
