// What the drawing context puts on pixels, read back from an off-screen bitmap.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "GUI/colour.h"
#include "GUI/draw.h"
#include "GUI/globals.h"
#include "GUI/staticdata.h"
#include "gui_test_util.h"

using namespace velk::gui;
using namespace velk::gui::context;

namespace {

constexpr int kWidth = 200;
constexpr int kHeight = 100;

class Drawing : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(guitest::D(), nullptr) << "the toolkit tests need an X server (DISPLAY)";
        control = std::make_unique<SControl>(&globals, nullptr, 1, "canvas", 0, 0, 0, kWidth,
                                             kHeight, 0, false);
        d = control->GetDrawing();
        ASSERT_NE(d, nullptr);
        windowDevice = d->GetDevice();
        bitmap = std::make_unique<SDrawBitmap>(nullptr, kWidth, kHeight, false);
        memory = std::make_unique<SDrawMemoryDevice>(windowDevice, bitmap.get());
        d->SetDevice(memory.get());
        black = guitest::Pixel(0, 0, 0);
        white = guitest::Pixel(255, 255, 255);
        Clear();
        d->SetColour(static_cast<int>(white));
    }
    void TearDown() override {
        if (d) d->SetDevice(windowDevice);
    }
    void Clear() {
        d->SetColour(static_cast<int>(black));
        d->FillRect(0, 0, kWidth, kHeight);
        d->SetColour(static_cast<int>(white));
    }
    guitest::SImage Shot(const char* name = nullptr) {
        guitest::SImage image = guitest::Grab(bitmap->GetPixmap(), kWidth, kHeight);
        if (name) guitest::SaveShot(image, name);
        return image;
    }
    SDrawFont* Font(int size = 10) {
        SDrawFont* font = statdata->FindFont(size, false, false);
        d->SetFont(font);
        return font;
    }

    SGlobals globals;
    std::unique_ptr<SControl> control;
    SDrawing* d = nullptr;
    SDrawDevice* windowDevice = nullptr;
    std::unique_ptr<SDrawBitmap> bitmap;
    std::unique_ptr<SDrawMemoryDevice> memory;
    unsigned long black = 0;
    unsigned long white = 0;
};

TEST_F(Drawing, OutlinesLieInsideTheRectangleAndFillsCoverIt) {
    d->DrawRect(0, 0, 10, 10);
    guitest::SImage image = Shot();
    int l, t, r, b;
    ASSERT_TRUE(image.InkBox(black, l, t, r, b));
    EXPECT_EQ(Rect(l, t, r, b), Rect(0, 0, 10, 10));
    EXPECT_FALSE(image.Lit(5, 5, black)) << "an outline, not a fill";
    EXPECT_EQ(image.CountNot(black), 36);

    Clear();
    d->FillRect(20, 30, 30, 40);
    image = Shot();
    ASSERT_TRUE(image.InkBox(black, l, t, r, b));
    EXPECT_EQ(Rect(l, t, r, b), Rect(20, 30, 30, 40));
    EXPECT_EQ(image.CountNot(black), 100);
}

TEST_F(Drawing, LinesIncludeBothEndsAndPolylinesNeedTwoPoints) {
    d->SetPen(statdata->FindPen(static_cast<int>(white)));
    d->DrawLine(10, 10, 20, 10);
    guitest::SImage image = Shot();
    EXPECT_TRUE(image.Lit(10, 10, black));
    EXPECT_TRUE(image.Lit(20, 10, black));
    EXPECT_EQ(image.CountNot(black), 11);

    Clear();
    Point one[1] = {Point(50, 50)};
    d->DrawPoly(one, 1);
    d->FillPoly(one, 1);
    d->DrawPoly(nullptr, 5);
    EXPECT_EQ(Shot().CountNot(black), 0);
}

TEST_F(Drawing, LogicCodesAboveFourteenCopyAndOneIsXor) {
    d->SetLogic(1);
    d->FillRect(0, 0, 10, 10);
    d->FillRect(0, 0, 10, 10);
    EXPECT_EQ(Shot().CountNot(black), 0) << "xor twice leaves nothing";
    d->SetLogic(15);
    d->FillRect(0, 0, 10, 10);
    d->FillRect(0, 0, 10, 10);
    EXPECT_EQ(Shot().CountNot(black), 100);
    EXPECT_EQ(d->GetLogic(), 15);
    d->SetLogic(99);
    d->FillRect(0, 0, 10, 10);
    EXPECT_EQ(Shot().At(0, 0), white);
}

TEST_F(Drawing, LabelsAreAlignedInTheirRectangle) {
    SDrawFont* font = Font();
    ASSERT_NE(font->Info(), nullptr);
    int textWidth = 0, textHeight = 0;
    d->GetTextDimensions("Moravox", &textWidth, &textHeight, font);
    ASSERT_GT(textWidth, 0);
    EXPECT_EQ(textHeight, font->Ascent() + font->Descent());
    const Rect box(20, 10, 180, 90);
    struct Case {
        int align;
        const char* name;
    } cases[] = {{ALIGN_LEFT | ALIGN_TOP, "label_left_top"},
                 {ALIGN_RIGHT | ALIGN_BOTTOM, "label_right_bottom"},
                 {0, "label_centred"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Clear();
        d->DrawLabel("Moravox", box, c.align, Point(0, 0));
        guitest::SImage image = Shot(c.name);
        int l, t, r, b;
        ASSERT_TRUE(image.InkBox(black, l, t, r, b));
        EXPECT_TRUE(box.ContainsInclusive(Point(l, t)) && box.ContainsInclusive(Point(r, b)));
        if (c.align & ALIGN_LEFT) {
            EXPECT_LE(l - box.left, 2);
        }
        if (c.align & ALIGN_TOP) {
            EXPECT_LE(t - box.top, 3);
        }
        if (c.align & ALIGN_RIGHT) {
            EXPECT_LE(box.right - r, 2);
        }
        if (c.align & ALIGN_BOTTOM) {
            EXPECT_LE(box.bottom - b, font->Descent() + 1);
        }
        if (c.align == 0) {
            EXPECT_NEAR((l + r) / 2.0, (box.left + box.right) / 2.0, 2.0);
            EXPECT_NEAR((t + b) / 2.0, (box.top + box.bottom) / 2.0, 4.0);
        }
    }
    // The offset moves the label; text without a font draws nothing.
    Clear();
    d->DrawLabel("Moravox", box, ALIGN_LEFT | ALIGN_TOP, Point(5, 7));
    int l, t, r, b;
    ASSERT_TRUE(Shot().InkBox(black, l, t, r, b));
    EXPECT_GE(l, box.left + 5);
    EXPECT_GE(t, box.top + 7);
    Clear();
    d->SetFont(nullptr);
    d->DrawLabel("Moravox", box, 0, Point());
    d->DrawText("Moravox", 10, 10);
    EXPECT_EQ(Shot().CountNot(black), 0);
}

// The ink of a label, cropped to its bounding box.
std::vector<std::vector<bool>> Ink(const guitest::SImage& image, unsigned long background) {
    int l, t, r, b;
    std::vector<std::vector<bool>> out;
    if (!image.InkBox(background, l, t, r, b)) return out;
    for (int y = t; y < b; ++y) {
        out.emplace_back();
        for (int x = l; x < r; ++x) out.back().push_back(image.Lit(x, y, background));
    }
    return out;
}

TEST_F(Drawing, RotatedTextTurnsCounterClockwiseAndWholeTurnsAreLabels) {
    Font(12);
    const Rect box(0, 0, kWidth, kHeight);
    d->DrawLabel("Rotate", box, 0, Point());
    const auto plain = Ink(Shot("rotated_0"), black);
    ASSERT_FALSE(plain.empty());
    for (int angle : {360, -360, 720}) {
        SCOPED_TRACE(angle);
        Clear();
        d->DrawRotatedText("Rotate", box, angle, 0, Point());
        EXPECT_EQ(Ink(Shot(), black), plain);
    }

    Clear();
    d->DrawRotatedText("Rotate", box, 90, 0, Point());
    const auto turned = Ink(Shot("rotated_90"), black);
    // Turning the plain text a quarter counter-clockwise: column x becomes row
    // (width - 1 - x), so the first letter ends up at the bottom.
    const int h = static_cast<int>(plain.size());
    const int w = static_cast<int>(plain[0].size());
    ASSERT_EQ(static_cast<int>(turned.size()), w);
    ASSERT_EQ(static_cast<int>(turned[0].size()), h);
    int differences = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) differences += plain[y][x] != turned[w - 1 - x][y];
    EXPECT_EQ(differences, 0);

    Clear();
    d->DrawRotatedText("Rotate", box, 450, 0, Point());
    EXPECT_EQ(Ink(Shot(), black), turned);
}

// Lit pixels of a with no lit pixel of b at most one pixel away.
int StrayPixels(const std::vector<std::vector<bool>>& a, const std::vector<std::vector<bool>>& b) {
    auto lit = [&](int y, int x) {
        return y >= 0 && x >= 0 && y < static_cast<int>(b.size()) &&
               x < static_cast<int>(b[y].size()) && b[y][x];
    };
    int stray = 0;
    for (int y = 0; y < static_cast<int>(a.size()); ++y)
        for (int x = 0; x < static_cast<int>(a[y].size()); ++x) {
            if (!a[y][x]) continue;
            bool near = false;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) near = near || lit(y + dy, x + dx);
            stray += !near;
        }
    return stray;
}

TEST_F(Drawing, VerticalLabelsReadFromBottomToTop) {
    Font(12);
    const Rect box(0, 0, kWidth, kHeight);
    d->DrawRotatedText("Up", box, 90, ALIGN_LEFT | ALIGN_TOP, Point());
    const auto rotated = Ink(Shot(), black);
    Clear();
    d->DrawVerticalLabel("Up", box, ALIGN_LEFT | ALIGN_TOP, 0, Point(), false, false, nullptr);
    const auto vertical = Ink(Shot("vertical_label"), black);
    // The same turn without margins: the same picture up to a pixel of rounding.
    ASSERT_FALSE(vertical.empty());
    EXPECT_NEAR(static_cast<double>(vertical.size()), static_cast<double>(rotated.size()), 1.0);
    EXPECT_NEAR(static_cast<double>(vertical[0].size()), static_cast<double>(rotated[0].size()),
                1.0);
    EXPECT_EQ(StrayPixels(vertical, rotated), 0);
    EXPECT_EQ(StrayPixels(rotated, vertical), 0);
}

TEST_F(Drawing, PixelDigitsLightTheirSegments) {
    d->SetPen(statdata->FindPen(static_cast<int>(white)));
    struct Case {
        int digit;
        int x, y; // relative to the cell origin
        bool lit;
    } cases[] = {
        {0, 3, 6, false}, {0, 1, 6, true},  {8, 3, 6, true},  {8, 1, 3, true},
        {1, 2, 3, true},  {1, 3, 9, true},  {1, 1, 3, false}, {1, 4, 6, false},
        {7, 5, 9, true},  {7, 1, 9, false}, {2, 1, 8, true},  {2, 5, 8, false},
        {5, 1, 4, true},  {5, 5, 4, false}, {4, 3, 3, false}, {4, 3, 6, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "digit " << c.digit << " at " << c.x << "," << c.y);
        Clear();
        d->DrawPixelNumber(40, 20, c.digit);
        EXPECT_EQ(Shot().Lit(40 + c.x, 20 + c.y, black), c.lit);
    }
    Clear();
    d->DrawPixelNumber(40, 20, 1);
    int l, t, r, b;
    ASSERT_TRUE(Shot().InkBox(black, l, t, r, b));
    EXPECT_EQ(l, 42);
    EXPECT_EQ(r, 44) << "digit 1 is two pixels wide";
    for (int digit : {10, -1}) {
        Clear();
        d->DrawPixelNumber(40, 20, digit);
        EXPECT_EQ(Shot().CountNot(black), 0);
    }
}

TEST_F(Drawing, MemoryDevicesCopyToTheContext) {
    SDrawBitmap source(nullptr, 20, 20, false);
    SDrawMemoryDevice sourceDevice(windowDevice, &source);
    d->SetDevice(&sourceDevice);
    d->SetColour(static_cast<int>(white));
    d->FillRect(0, 0, 20, 20);
    d->SetDevice(memory.get());
    d->DrawMemory(&sourceDevice, 50, 60, 5, 5, 15, 10);
    int l, t, r, b;
    ASSERT_TRUE(Shot().InkBox(black, l, t, r, b));
    EXPECT_EQ(Rect(l, t, r, b), Rect(50, 60, 60, 65));
    d->DrawMemory(nullptr, 0, 0, 0, 0, 10, 10);
}

TEST_F(Drawing, BackgroundsComeFromTheSharedCachesEveryTime) {
    const Rect all(0, 0, kWidth, kHeight);
    d->SetBackground(static_cast<int>(guitest::Pixel(10, 20, 30)), false);
    Font();
    d->DrawBackground(all, false);
    const size_t pens = statdata->pens.Count();
    const size_t brushes = statdata->brushes.Count();
    const size_t fonts = statdata->fonts.Count();
    for (int i = 0; i < 50; ++i) {
        d->DrawBackground(all, false);
        control->Draw(all);
        d->SetFont(statdata->FindFont(10, false, false));
        d->DrawLabel("x", all, 0, Point());
    }
    EXPECT_EQ(statdata->pens.Count(), pens);
    EXPECT_EQ(statdata->brushes.Count(), brushes);
    EXPECT_EQ(statdata->fonts.Count(), fonts);
    EXPECT_EQ(Shot().At(3, 3), guitest::Pixel(10, 20, 30));
}

TEST_F(Drawing, TheMarkerFrameIsBlackStripsWithABlueRectangle) {
    SControl marker(&globals, nullptr, 2, "marker", STYLE_MARKER, 0, 0, 60, 40, 0, false);
    SDrawing* md = marker.GetDrawing();
    SDrawBitmap target(nullptr, 60, 40, false);
    SDrawMemoryDevice device(md->GetDevice(), &target);
    SDrawDevice* own = md->GetDevice();
    md->SetDevice(&device);
    md->SetBackground(static_cast<int>(white), false);
    marker.Draw(Rect(0, 0, 60, 40));
    md->SetDevice(own);
    guitest::SImage image = guitest::Grab(target.GetPixmap(), 60, 40);
    guitest::SaveShot(image, "marker_frame");
    const unsigned long blue = guitest::Pixel(0, 0, 255);
    EXPECT_EQ(image.At(0, 0), blue); // the outline
    EXPECT_EQ(image.At(59, 39), blue);
    EXPECT_EQ(image.At(5, 5), blue);    // the corner square
    EXPECT_EQ(image.At(30, 5), black);  // the top strip
    EXPECT_EQ(image.At(55, 20), black); // the right strip
    EXPECT_EQ(image.At(30, 20), white); // the background inside
}

} // namespace
