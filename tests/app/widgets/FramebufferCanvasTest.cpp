// SPDX-License-Identifier: MIT
// The canvas writes one-pixel lines straight into its image; whatever path a line takes, the
// pixels must be the ones the painter draws for the same line.

#include "Form1TestRig.h"

#include "app/widgets/ClientArea.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <vector>

namespace app {
namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 526;

struct Line {
    int x1, y1, x2, y2;
    int width = 1;
};

// The canvas and a plain painter side by side; each line is drawn in colour on both, compared
// around its ends, then drawn again in black, which leaves both images black once they agree.
class CanvasAgainstPainter : public ::testing::Test {
protected:
    CanvasAgainstPainter() : reference(kWidth, kHeight, QImage::Format_RGB32) {
        test::EnsureApplication();
        view = std::make_unique<QWidget>();
        canvas = std::make_unique<FramebufferCanvas>(*view, QSize(kWidth, kHeight));
        reference.fill(Qt::black);
    }

    // The first differing pixel of `line`, as text; empty when both images agree.
    std::string Mismatch(const Line& line, display::Rgb color) {
        Draw(line, color);
        const QImage& image = canvas->Image();
        const QRect around = QRect(QPoint(line.x1, line.y1), QPoint(line.x2, line.y2))
                                 .normalized()
                                 .adjusted(-2, -2, 2, 2)
                                 .intersected(reference.rect());
        std::string found;
        for (int y = around.top(); y <= around.bottom() && found.empty(); ++y) {
            for (int x = around.left(); x <= around.right(); ++x) {
                if (image.pixel(x, y) != reference.pixel(x, y)) {
                    found = "pixel " + std::to_string(x) + "," + std::to_string(y);
                    break;
                }
            }
        }
        Draw(line, display::kBlack);
        return found;
    }

    void Draw(const Line& line, display::Rgb color) {
        canvas->SetPenColor(color);
        canvas->SetPenWidth(line.width);
        canvas->MoveTo(line.x1, line.y1);
        canvas->LineTo(line.x2, line.y2);
        QPainter painter(&reference);
        painter.setPen(QPen(QColor(color.red, color.green, color.blue),
                            line.width == 1 ? 0 : line.width, Qt::SolidLine, Qt::SquareCap));
        if (line.x1 == line.x2 && line.y1 == line.y2) {
            painter.drawPoint(line.x1, line.y1);
        } else {
            painter.drawLine(line.x1, line.y1, line.x2, line.y2);
        }
    }

    void ExpectSamePixels(const std::vector<Line>& lines) {
        int failures = 0;
        for (const Line& l : lines) {
            const std::string mismatch = Mismatch(l, display::kYellow);
            if (!mismatch.empty() && ++failures <= 5) {
                ADD_FAILURE() << "line " << l.x1 << "," << l.y1 << " to " << l.x2 << "," << l.y2
                              << " width " << l.width << ": " << mismatch;
            }
        }
        EXPECT_EQ(failures, 0) << "of " << lines.size() << " lines";
    }

    std::unique_ptr<QWidget> view;
    std::unique_ptr<FramebufferCanvas> canvas;
    QImage reference;
};

TEST_F(CanvasAgainstPainter, ShortLinesInEveryDirectionAndPoints) {
    std::vector<Line> lines;
    for (int dx = -24; dx <= 24; ++dx) {
        for (int dy = -24; dy <= 24; ++dy) {
            lines.push_back({400, 260, 400 + dx, 260 + dy});
        }
    }
    ExpectSamePixels(lines);
}

// Trace segments: left to right by up to 20 pixels, any rise or fall within the screen, from
// rows above and below the centre.
TEST_F(CanvasAgainstPainter, TraceSegmentsAcrossTheWholeHeight) {
    std::vector<Line> lines;
    for (int dx = 0; dx <= 20; ++dx) {
        for (int y2 = 0; y2 < kHeight; ++y2) {
            lines.push_back({300, 263, 300 + dx, y2});
            lines.push_back({57 + dx, y2, 77 + dx, 11});
        }
    }
    ExpectSamePixels(lines);
}

TEST_F(CanvasAgainstPainter, LongLinesAndLinesEndingOnTheEdges) {
    const int right = kWidth - 1;
    const int bottom = kHeight - 1;
    std::vector<Line> lines = {
        {0, 0, right, bottom},      {right, 0, 0, bottom}, {0, 0, right, 0},
        {0, bottom, right, bottom}, {0, 0, 0, bottom},     {right, 0, right, bottom},
        {55, 263, 795, 263},        {0, 0, 0, 0},          {right, bottom, right, bottom},
        {13, 500, 799, 1},          {799, 400, 0, 399},    {1, 0, 0, 525},
    };
    // Long lines between pseudo-random ends, where rounding errors of a stepped slope would
    // have the length to add up.
    unsigned seed = 12345;
    const auto next = [&seed](int range) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 8) % static_cast<unsigned>(range));
    };
    for (int k = 0; k < 3000; ++k) {
        lines.push_back({next(kWidth), next(kHeight), next(kWidth), next(kHeight)});
    }
    ExpectSamePixels(lines);
}

// Lines the painter clips, lines wholly outside, and wider pens keep the painter's own pixels.
TEST_F(CanvasAgainstPainter, ClippedLinesLinesOutsideAndWidePens) {
    std::vector<Line> lines = {
        {300, 263, 310, -5000},  {300, 263, 310, 90000},  {-10, -10, 810, 530},
        {790, 100, 805, 120},    {-3, 200, 5, 210},       {400, -1, 400, 526},
        {799, 100, 800, 300},    {800, 100, 817, 300},    {900, -40, 700, -1},
        {-1, 0, -1, 525},        {0, 526, 799, 526},      {800, 526, 800, 526},
        {100, 100, 140, 100, 2}, {100, 100, 103, 180, 2}, {0, 0, 799, 525, 2},
        {800, 10, 820, 40, 2},   {-2, 10, -1, 400, 2},    {300, 527, 310, 900, 2},
    };
    for (int dy = -900; dy <= 900; dy += 7) {
        lines.push_back({600, 10, 611, 10 + dy});
        lines.push_back({600, 515, 603, 515 + dy});
    }
    ExpectSamePixels(lines);
}

// Labels are copied from stamps taken once; over any background, near the edges (where the
// painter clips) and in any colour they must leave the painter's pixels.
TEST_F(CanvasAgainstPainter, LabelsInEachFontColourAndPlace) {
    QFont bold = QApplication::font();
    bold.setPixelSize(10);
    bold.setBold(true);
    QFont plain = QApplication::font();
    plain.setPixelSize(11);
    const std::vector<std::string> texts = {"0.5", "200",  "ms",          "+mA", "- V",
                                            "20",  "12.5", "jednorázové", "Wg",  ""};
    const std::vector<QPoint> corners = {{3, 40},    {560, 267}, {57, 510},
                                         {795, 100}, {-2, 3},    {400, 520}};
    const std::vector<display::Rgb> colours = {
        display::kWhite, display::kYellow, display::kAqua, {75, 75, 75}};
    for (QFont font : {bold, plain}) {
        canvas->SetFont(font);
        font.setStyleStrategy(QFont::NoAntialias);
        // A grey background of lines shows any pixel written that the painter leaves alone.
        for (int y = 0; y < kHeight; y += 2) {
            Draw({0, y, kWidth - 1, y}, {75, 75, 75});
        }
        for (const display::Rgb colour : colours) {
            for (const std::string& text : texts) {
                for (const QPoint corner : corners) {
                    canvas->SetFontColor(colour);
                    canvas->TextOut(corner.x(), corner.y(), text);
                    QPainter painter(&reference);
                    painter.setFont(font);
                    const QFontMetrics metrics(font);
                    const QString string = QString::fromStdString(text);
                    painter.fillRect(corner.x(), corner.y(), metrics.horizontalAdvance(string),
                                     metrics.height(), Qt::black);
                    painter.setPen(QColor(colour.red, colour.green, colour.blue));
                    painter.drawText(corner.x(), corner.y() + metrics.ascent(), string);
                    painter.end();
                    ASSERT_TRUE(canvas->Image() == reference)
                        << "'" << text << "' at " << corner.x() << "," << corner.y();
                }
            }
        }
    }
}

// Counts the paint events of a widget.
class PaintCounter final : public QObject {
public:
    explicit PaintCounter(QWidget& widget) { widget.installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        count += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

// The batches of one run of passes are presented once, at its end, and a run that goes on
// every few batches; a batch that changed nothing adds nothing.
TEST(FramebufferPresentTest, BatchesOfARunArePresentedTogether) {
    test::EnsureApplication();
    QWidget view;
    view.resize(200, 100);
    view.show();
    FramebufferCanvas canvas(view, QSize(200, 100));
    PaintCounter paints(view);
    const auto paintsAfter = [&](const std::vector<std::pair<bool, bool>>& batches) {
        QCoreApplication::processEvents();
        paints.count = 0;
        for (const auto& [changed, last] : batches) {
            canvas.HoldUpdates();
            canvas.SetPenColor(display::kYellow);
            canvas.MoveTo(10, 10);
            canvas.LineTo(50, 20);
            canvas.ReleaseUpdates(changed, last);
            QCoreApplication::processEvents();
        }
        return paints.count;
    };
    EXPECT_EQ(paintsAfter({{true, false}, {true, true}}), 1);
    EXPECT_EQ(paintsAfter({{true, false}, {false, true}}), 1);
    EXPECT_EQ(paintsAfter({{false, false}, {false, true}}), 0);
    EXPECT_EQ(paintsAfter({{true, false}, {true, false}, {true, false}, {true, false}}), 1);
}

// The client area shows the framebuffer as it is, copied band by band.
TEST(ClientAreaTest, ShowsEveryPixelOfTheFramebuffer) {
    test::EnsureApplication();
    for (const QSize size : {QSize(801, 527), QSize(30, 2000), QSize(5000, 3)}) {
        ClientArea area;
        area.resize(size);
        FramebufferCanvas canvas(area, size);
        area.SetFramebuffer(&canvas);
        canvas.SetPenColor(display::kYellow);
        canvas.MoveTo(0, 0);
        canvas.LineTo(size.width() - 1, size.height() - 1);
        canvas.SetPenColor(display::kAqua);
        canvas.MoveTo(size.width() - 1, 0);
        canvas.LineTo(0, size.height() - 1);
        canvas.LineTo(size.width() - 1, size.height() - 1);
        const QImage shown = area.grab().toImage().convertToFormat(QImage::Format_RGB32);
        EXPECT_TRUE(shown == canvas.Image()) << size.width() << "x" << size.height();
    }
}

} // namespace
} // namespace app
