// SPDX-License-Identifier: MIT
// The grid and the canvas operations as pixels on the window's framebuffer.

#include "Form1TestRig.h"

#include <gtest/gtest.h>

namespace app {
namespace {

using display::kBlack;
using display::Rgb;
using test::Form1Rig;

constexpr Rgb kGrey{75, 75, 75};

class GraticulePixels : public ::testing::Test {
protected:
    Rgb At(int x, int y) { return rig.form->Framebuffer().PixelAt(x, y); }
    int CountOf(Rgb color) {
        const QImage& image = rig.form->Framebuffer().Image();
        int count = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                count += At(x, y) == color ? 1 : 0;
            }
        }
        return count;
    }

    Form1Rig rig;
};

TEST_F(GraticulePixels, StartUpDrawsTheGridAtWidthEightHundred) {
    // Rows: from x 56 to 790, none on the centre row.
    EXPECT_EQ(At(56, 243), kGrey);
    EXPECT_EQ(At(790, 243), kGrey);
    EXPECT_EQ(At(55, 243), kBlack);
    EXPECT_EQ(At(791, 243), kBlack);
    EXPECT_EQ(At(300, 43), kGrey);
    EXPECT_EQ(At(300, 483), kGrey);
    EXPECT_EQ(At(300, 263), kBlack);
    EXPECT_EQ(At(300, 23), kBlack);
    // Columns, the last one standing alone beyond the rows' end.
    for (int x : {129, 203, 277, 351, 425, 499, 573, 647, 721, 794}) {
        EXPECT_EQ(At(x, 300), kGrey) << "column " << x;
        EXPECT_EQ(At(x + 1, 300), kBlack) << "beside column " << x;
    }
    EXPECT_EQ(At(794, 243), kGrey);
    // Gap around the time axis: 259 .. 282 free, the ends drawn.
    EXPECT_EQ(At(129, 258), kGrey);
    EXPECT_EQ(At(129, 259), kBlack);
    EXPECT_EQ(At(129, 282), kBlack);
    EXPECT_EQ(At(129, 283), kGrey);
    // Nothing beyond the outermost rows.
    EXPECT_EQ(At(129, 42), kBlack);
    EXPECT_EQ(At(129, 484), kBlack);
}

TEST_F(GraticulePixels, NarrowerClientMovesTheColumns) {
    rig.form->SetClientSize(794, 526);
    rig.form->DrawGraticule();
    for (int x : {128, 202, 275, 348, 422, 495, 569, 642, 715, 789}) {
        EXPECT_EQ(At(x, 300), kGrey) << "column " << x;
    }
    EXPECT_EQ(At(129, 300), kBlack);
    EXPECT_EQ(At(784, 243), kGrey);
    EXPECT_EQ(At(785, 243), kBlack);
}

TEST_F(GraticulePixels, RepaintingTheWindowErasesEverythingDrawn) {
    ASSERT_GT(CountOf(kGrey), 0);
    rig.form->RepaintWindow();
    EXPECT_EQ(CountOf(kBlack), 800 * 526);
}

TEST_F(GraticulePixels, GridBrightnessControlRedrawsInTheNewGrey) {
    rig.form->RepaintWindow();
    bool allow = true;
    rig.form->UpDown2Changing(nullptr, allow); // position 15 gives level 75
    EXPECT_EQ(rig.form->gridBrightness, 75);
    EXPECT_EQ(At(129, 300), kGrey);
}

TEST_F(GraticulePixels, LinesCoverBothEndsAndWiderPensWholePixels) {
    display::Canvas& canvas = rig.form->Canvas();
    rig.form->RepaintWindow();
    canvas.SetPenColor(display::kYellow);
    canvas.SetPenWidth(1);
    canvas.MoveTo(10, 100);
    canvas.LineTo(20, 100);
    EXPECT_EQ(At(10, 100), display::kYellow);
    EXPECT_EQ(At(20, 100), display::kYellow);
    EXPECT_EQ(At(21, 100), kBlack);
    EXPECT_EQ(At(15, 99), kBlack);
    // A zero-length segment still marks its pixel, and the position moves on.
    canvas.LineTo(20, 100);
    canvas.LineTo(20, 110);
    EXPECT_EQ(At(20, 110), display::kYellow);

    canvas.SetPenColor(display::kAqua);
    canvas.SetPenWidth(2);
    canvas.MoveTo(100, 200);
    canvas.LineTo(140, 200);
    int thickness = 0;
    for (int y = 195; y <= 205; ++y) {
        thickness += At(120, y) == display::kAqua ? 1 : 0;
    }
    EXPECT_EQ(thickness, 2);
    // No antialiasing: only the pen's own colour and black on the image.
    EXPECT_EQ(CountOf(display::kAqua) + CountOf(display::kYellow) + CountOf(kBlack), 800 * 526);
}

TEST_F(GraticulePixels, TextCellIsFilledBlackBehindTheGlyphsBelowAndRightOfItsCorner) {
    display::Canvas& canvas = rig.form->Canvas();
    rig.form->RepaintWindow();
    canvas.SetPenColor(display::kAqua);
    for (int y = 300; y < 330; ++y) {
        canvas.MoveTo(300, y);
        canvas.LineTo(400, y);
    }
    canvas.SetFontColor(display::kWhite);
    canvas.TextOut(320, 305, "100");
    int white = 0;
    int erased = 0;
    for (int y = 300; y < 330; ++y) {
        for (int x = 300; x <= 400; ++x) {
            const Rgb pixel = At(x, y);
            white += pixel == display::kWhite ? 1 : 0;
            erased += pixel == kBlack ? 1 : 0;
            if (x < 320 || y < 305) {
                EXPECT_EQ(pixel, display::kAqua) << x << "," << y;
            }
        }
    }
    EXPECT_GT(white, 10);
    EXPECT_GT(erased, 10);
    EXPECT_EQ(At(319, 306), display::kAqua);
}

} // namespace
} // namespace app
