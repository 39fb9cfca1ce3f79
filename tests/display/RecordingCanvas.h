// SPDX-License-Identifier: MIT
#pragma once

// A canvas that remembers the lines drawn on it, with the pen they were drawn with, so that
// drawing routines can be checked without pixels.

#include "display/Canvas.h"

#include <string>
#include <vector>

namespace display::test {

struct Segment {
    int x1, y1, x2, y2;
    Rgb color;
    int width;
    friend bool operator==(const Segment&, const Segment&) = default;
};

class RecordingCanvas final : public Canvas {
public:
    RecordingCanvas(int width, int height) : width_(width), height_(height) {}

    void SetPenColor(Rgb color) override { penColor = color; }
    void SetPenWidth(int width) override { penWidth = width; }
    void SetFontColor(Rgb color) override { fontColor = color; }
    void MoveTo(int x, int y) override {
        x_ = x;
        y_ = y;
    }
    void LineTo(int x, int y) override {
        segments.push_back({x_, y_, x, y, penColor, penWidth});
        MoveTo(x, y);
    }
    void TextOut(int x, int y, std::string_view text) override {
        texts.push_back(std::to_string(x) + "," + std::to_string(y) + ":" + std::string(text));
    }
    int ClientWidth() const override { return width_; }
    int ClientHeight() const override { return height_; }

    std::vector<Segment> segments;
    std::vector<std::string> texts;
    Rgb penColor{1, 2, 3}; // no colour a routine would choose, so that "unset" shows
    int penWidth = 7;
    Rgb fontColor{1, 2, 3};

private:
    int width_;
    int height_;
    int x_ = 0;
    int y_ = 0;
};

} // namespace display::test
