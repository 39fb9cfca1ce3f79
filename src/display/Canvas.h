// SPDX-License-Identifier: MIT
#pragma once

// The window's canvas as the drawing routines see it: a pen, a font colour, a current position
// and the client area's size, all in whole pixels of the client area (x to the right, y down).
// The program implements it over the window's framebuffer; tests record the calls or read the
// pixels. Used on the UI thread only.

#include <cstdint>
#include <string_view>

namespace display {

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kYellow{255, 255, 0}; // channel L, the current
inline constexpr Rgb kAqua{0, 255, 255};   // channel R, the voltage

class Canvas {
public:
    virtual ~Canvas() = default;

    virtual void SetPenColor(Rgb color) = 0;
    // Width in whole pixels, at least 1.
    virtual void SetPenWidth(int width) = 0;
    virtual void SetFontColor(Rgb color) = 0;
    // Sets the current position without drawing.
    virtual void MoveTo(int x, int y) = 0;
    // Draws a line from the current position to (x, y), both ends included, and makes (x, y)
    // the current position. Parts outside the client area are clipped.
    virtual void LineTo(int x, int y) = 0;
    // Writes UTF-8 text in the font colour with the text cell's top-left corner at (x, y); the
    // cell is filled black behind the glyphs.
    virtual void TextOut(int x, int y, std::string_view text) = 0;
    virtual int ClientWidth() const = 0;
    virtual int ClientHeight() const = 0;
};

} // namespace display
