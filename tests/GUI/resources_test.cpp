// The shared resources: palette, caches, fonts, monitors, globals, cursors and images.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include <X11/Xutil.h>

#include <cstring>
#include <memory>

#include "GUI/cursor.h"
#include "GUI/device.h"
#include "GUI/monitors.h"
#include "GUI/globals.h"
#include "GUI/imagedata.h"
#include "GUI/staticdata.h"
#include "gui_test_util.h"
#include "system/system.h"

using namespace velk::gui;
using namespace velk::gui::context;

namespace {

TEST(Palette, HoldsTheTwentyNineColoursInSlotOrder) {
    ASSERT_NE(guitest::D(), nullptr) << "the toolkit tests need an X server (DISPLAY)";
    ASSERT_NE(statdata, nullptr);
    EXPECT_TRUE(statdata->ColoursAdded());
    ASSERT_EQ(statdata->ColourCount(), 29);
    struct Case {
        int slot;
        int r, g, b;
    } cases[] = {{COLOUR_WHITE, 255, 255, 255}, {COLOUR_ORANGE, 255, 128, 0},
                 {COLOUR_LILAC, 172, 128, 255}, {COLOUR_BLUE, 0, 0, 255},
                 {COLOUR_CREAM, 255, 236, 200}, {COLOUR_BLACK, 0, 0, 0},
                 {COLOUR_STEEL, 138, 145, 150}, {COLOUR_GREY90, 90, 90, 90}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.slot);
        XColor colour{};
        colour.pixel = static_cast<unsigned long>(statdata->Colour(c.slot));
        XQueryColor(guitest::D(), DefaultColormap(guitest::D(), 0), &colour);
        EXPECT_EQ(colour.red >> 8, c.r);
        EXPECT_EQ(colour.green >> 8, c.g);
        EXPECT_EQ(colour.blue >> 8, c.b);
    }
    // A full table ignores further colours.
    statdata->AddColour(12345);
    EXPECT_EQ(statdata->ColourCount(), 29);
    EXPECT_EQ(statdata->Colour(29), 0);
}

// On a TrueColor visual pixels are worked out without asking the server; they must be the
// ones the server allocates, across each channel's whole range.
TEST(Palette, LocalPixelsAreTheOnesTheServerAllocates) {
    Display* d = guitest::D();
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(DefaultVisual(d, 0)->c_class, TrueColor) << "the test server is 24-bit TrueColor";
    int wrong = 0;
    for (int v = 0; v < 256; ++v) {
        const int r = v, g = 255 - v, b = (v * 7) & 255;
        XColor colour{};
        colour.red = static_cast<unsigned short>(r * 256);
        colour.green = static_cast<unsigned short>(g * 256);
        colour.blue = static_cast<unsigned short>(b * 256);
        colour.flags = DoRed | DoGreen | DoBlue;
        ASSERT_TRUE(XAllocColor(d, DefaultColormap(d, 0), &colour));
        if (static_cast<unsigned long>(SCOL(r, g, b)) != colour.pixel) ++wrong;
    }
    EXPECT_EQ(wrong, 0);

    // A 16-bit visual keeps the top 5, 6 and 5 bits of the channels.
    Visual rgb565{};
    rgb565.c_class = TrueColor;
    rgb565.red_mask = 0xF800;
    rgb565.green_mask = 0x07E0;
    rgb565.blue_mask = 0x001F;
    struct Case {
        unsigned short r, g, b;
        unsigned long pixel;
    } cases[] = {{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF}, {0x8000, 0, 0, 0x8000}, {0, 0x0400, 0, 0x0020},
                 {0, 0, 0x0800, 0x0001}, {0x07FF, 0x03FF, 0x07FF, 0}};
    for (const Case& c : cases) {
        XColor colour{};
        colour.red = c.r;
        colour.green = c.g;
        colour.blue = c.b;
        ASSERT_TRUE(TrueColourPixel(&rgb565, colour));
        EXPECT_EQ(colour.pixel, c.pixel) << c.r << " " << c.g << " " << c.b;
    }
    // Any other visual is left to the server.
    Visual mapped{};
    mapped.c_class = PseudoColor;
    XColor untouched{};
    untouched.pixel = 77;
    EXPECT_FALSE(TrueColourPixel(&mapped, untouched));
    EXPECT_EQ(untouched.pixel, 77u);
}

TEST(Caches, MatchPensByColourBrushesByPaintAndFontsByVariant) {
    SStaticData caches;
    SDrawPen* wide = new SDrawPen(77, 3, true);
    caches.pens.Add(wide);
    EXPECT_EQ(caches.FindPen(77), wide);
    EXPECT_NE(caches.FindPen(78), wide);
    EXPECT_EQ(caches.pens.Count(), 2u);

    SDrawBrush* pattern = new SDrawBrush(55, 2, nullptr);
    caches.brushes.Add(pattern);
    EXPECT_EQ(caches.FindBrush(0), pattern) << "a patterned brush paints with its pattern colour";
    SDrawBrush* solid = caches.FindBrush(55);
    EXPECT_NE(solid, pattern);
    EXPECT_EQ(solid->style, -1);

    SDrawFont* plain = caches.FindFont(8, false, false);
    EXPECT_EQ(caches.FindFont(8, false, false), plain);
    EXPECT_NE(caches.FindFont(8, true, false), plain);
    EXPECT_EQ(caches.fonts.Count(), 2u);
}

TEST(Fonts, AreRequestedByTheirLogicalNames) {
    struct Case {
        int size;
        bool bold;
        bool italic;
        const char* face;
        const char* name;
    } cases[] = {
        {10, false, false, nullptr, "-adobe-helvetica-medium-r-*--12-*-*-*-*-*-iso8859-1"},
        {5, true, true, nullptr, "-misc-fixed-medium-r-*--6-*-*-*-*-*-iso8859-1"},
        {8, true, true, nullptr, "-adobe-helvetica-bold-o-*--10-*-*-*-*-*-iso8859-1"},
        // 15 pixels: the helvetica sizes from 19 down are probed; the first exists.
        {12, false, false, nullptr, "-adobe-helvetica-medium-r-normal--19-*-*-*-*-*-iso8859-1"},
        {10, true, false, "adobe-times", "-adobe-times-bold-r-normal--12-*-*-*-*-*-iso8859-1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SDrawFont font(c.size, c.bold, c.italic, false, c.face);
        EXPECT_STREQ(font.Name(), c.name);
        EXPECT_NE(font.Info(), nullptr);
        EXPECT_EQ(font.Size(), c.size);
    }
}

TEST(Fonts, AnUnknownFontLeavesNoInformationAndNoPendingError) {
    SDrawFont font(10, false, false, false, "nobody-nofont");
    EXPECT_EQ(font.Info(), nullptr);
    EXPECT_EQ(font.Id(), 0u);
    // Nothing asynchronous is left for the (fatal) default error handler.
    XSync(guitest::D(), False);
}

TEST(Monitors, FollowXineramaThenWorkAreasThenTheScreenShape) {
    struct Case {
        const char* name;
        SScreenFacts facts;
        std::vector<Rect> monitors;
        bool split;
    };
    SScreenFacts xinerama;
    xinerama.xineramaActive = true;
    xinerama.xineramaScreens = {Rect(1280, 0, 2560, 1024), Rect(0, 0, 1280, 1024)};
    xinerama.width = 2560;
    xinerama.height = 1024;
    SScreenFacts areas;
    areas.screenCount = 2;
    areas.workAreas = {Rect(0, 0, 1024, 768), Rect(0, 0, 800, 600)};
    SScreenFacts wide;
    wide.width = 3840;
    wide.height = 1024;
    SScreenFacts normal;
    normal.width = 1280;
    normal.height = 1024;
    SScreenFacts tall;
    tall.width = 1024;
    tall.height = 2560;
    const Case cases[] = {
        {"xinerama keeps the server's order",
         xinerama,
         {Rect(1280, 0, 2560, 1024), Rect(0, 0, 1280, 1024)},
         false},
        {"work areas", areas, {Rect(0, 0, 1024, 768), Rect(0, 0, 800, 600)}, false},
        {"3840 x 1024 is three monitors",
         wide,
         {Rect(0, 0, 1280, 1024), Rect(1280, 0, 2560, 1024), Rect(2560, 0, 3840, 1024)},
         true},
        {"1280 x 1024 is one", normal, {Rect(0, 0, 1280, 1024)}, false},
        {"1024 x 2560 is stacked",
         tall,
         {Rect(0, 0, 1024, 819), Rect(0, 819, 1024, 1638), Rect(0, 1638, 1024, 2457)},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SDisplay layout;
        layout.AllMonitorRects(c.facts);
        EXPECT_EQ(layout.monitors, c.monitors);
        EXPECT_EQ(layout.count, static_cast<int>(c.monitors.size()));
        EXPECT_EQ(layout.split, c.split);
    }
    SDisplay layout;
    layout.AllMonitorRects(xinerama);
    EXPECT_EQ(layout.Bounds(), Rect(0, 0, 2560, 1024));
    EXPECT_EQ(layout.MonitorRect(Point(1280, 5)), Rect(1280, 0, 2560, 1024)) << "edges included";
    EXPECT_EQ(layout.MonitorRect(Point(5000, 5000)), Rect(1280, 0, 2560, 1024));
}

TEST(Monitors, TheLoadedLayoutCentresAControlOnItsMonitor) {
    ASSERT_NE(sd, nullptr);
    SDisplay* layout = sd->DisplayInfo();
    ASSERT_NE(layout, nullptr);
    EXPECT_EQ(layout->monitors, std::vector<Rect>{Rect(0, 0, 1280, 1024)});
    SControl dialog(nullptr, nullptr, 1, "centred", STYLE_DIALOG | STYLE_ROOT_DIALOG, 10, 10, 200,
                    245, 0, false);
    layout->CenterOnWindow(&dialog);
    EXPECT_EQ(dialog.GetRect().TopLeft(), Point(540, 389));
    dialog.SetPosition(0, 0);
    dialog.Center();
    EXPECT_EQ(dialog.GetRect().TopLeft(), Point(540, 389));
}

TEST(Globals, HandsOutIdsFromOneAndSeedsEachInstanceDifferently) {
    SGlobals first;
    SGlobals second;
    EXPECT_EQ(first.NextId(), 1);
    EXPECT_EQ(first.NextId(), 2);
    EXPECT_NE(first.random.seed, second.random.seed);
    EXPECT_NE(first.random.Integer(), second.random.Integer());

    const char* path = "/usr/lib/vst/moravox.so";
    first.filePath = &path;
    first.SetBinaryData();
    EXPECT_STREQ(first.fileName.Text(), "moravox.so");
    EXPECT_STREQ(first.fileFolder.Text(), "/usr/lib/vst");
}

TEST(Cursors, AreDefinedOnTheirWindowAndFreed) {
    Display* d = guitest::D();
    const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 10, 10, 0, 0, 0);
    for (unsigned type : {0u, 2u, 3u, 9u}) {
        SCOPED_TRACE(type);
        SCursor cursor(type, w);
        EXPECT_TRUE(cursor.Defined());
        EXPECT_NE(cursor.GetCursor(), 0u);
        cursor.Free();
        EXPECT_FALSE(cursor.Defined());
    }
    SCursor arrow;
    arrow.SetWindow(w);
    ASSERT_TRUE(arrow.CreateDefault());
    EXPECT_FALSE(arrow.Defined());
    arrow.Set();
    EXPECT_TRUE(arrow.Defined());
    SCursorDefault root;
    root.Set();
    EXPECT_TRUE(root.Active());
    root.Free();
    EXPECT_FALSE(root.Active());
    // The window goes before its cursor does, as when a host closes its window first.
    XDestroyWindow(d, w);
    arrow.Free();
    XSync(d, False);
}

bool Bit(const unsigned char* bits, int row, int col) {
    return bits[row * 3 + col / 8] & (1 << (col % 8));
}

TEST(Cursors, TheDefaultArrowIsASolidTriangleWithItsOutline) {
    for (int row = 0; row <= 10; ++row)
        for (int col = 0; col < 24; ++col)
            EXPECT_EQ(Bit(kArrowMask, row, col), col <= row) << row << "," << col;
    bool tail = false;
    for (int col = 0; col < 24; ++col) tail = tail || Bit(kArrowMask, 22, col);
    EXPECT_TRUE(tail) << "the tail reaches row 22";
    for (int row = 0; row < 24; ++row)
        for (int col = 0; col < 24; ++col)
            if (Bit(kArrowOutline, row, col)) {
                EXPECT_TRUE(Bit(kArrowMask, row, col));
            }
    EXPECT_FALSE(Bit(kArrowOutline, 10, 3)) << "the inside is not outline";
}

TEST(Images, AreXpmsOfTheStatedSizesAndLoad) {
    struct Case {
        const char* const* xpm;
        const char* header;
    } cases[] = {{velk::images::text_logo, "180 45 401 2"},
                 {velk::images::cursor_arrow_AND, "24 24 2 1"},
                 {velk::images::cursor_arrow_XOR, "24 24 116 2"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.header);
        EXPECT_STREQ(c.xpm[0], c.header);
        int width = 0, height = 0;
        sscanf(c.header, "%d %d", &width, &height);
        SDrawBitmap bitmap(const_cast<char**>(c.xpm), 0, 0, false);
        EXPECT_EQ(bitmap.Width(), width);
        EXPECT_EQ(bitmap.Height(), height);
        if (c.xpm == velk::images::text_logo)
            guitest::SaveShot(guitest::Grab(bitmap.GetPixmap(), width, height), "text_logo");
    }
    const char* broken[] = {"2 2 1 1", "a c #FFFFFF", "ab"};
    SDrawBitmap bad(const_cast<char**>(broken), 5, 5, false);
    EXPECT_EQ(bad.GetPixmap(), 0u);
    EXPECT_EQ(bad.Width(), 0);
}


// Every pixel of each image has the colour its XPM declares, whether the server allocates the
// colours or (on a TrueColor visual) they are worked out locally.
TEST(Images, LoadWithTheirDeclaredColours) {
    Display* display = guitest::D();
    ASSERT_NE(display, nullptr);
    Visual* visual = DefaultVisual(display, DefaultScreen(display));
    for (const char* const* xpm : {velk::images::text_logo, velk::images::cursor_arrow_XOR}) {
        int width = 0, height = 0, colours = 0, chars = 0;
        ASSERT_EQ(sscanf(xpm[0], "%d %d %d %d", &width, &height, &colours, &chars), 4);
        std::map<std::string, unsigned long> pixels;
        for (int i = 1; i <= colours; ++i) {
            const std::string line = xpm[i];
            XColor colour{};
            const std::string colourText = line.substr(line.rfind(' ') + 1);
            ASSERT_TRUE(
                XParseColor(display, DefaultColormap(display, 0), colourText.c_str(), &colour));
            // What a 24-bit TrueColor server answers for an exact colour.
            pixels[line.substr(0, static_cast<size_t>(chars))] =
                (static_cast<unsigned long>(colour.red >> 8) << 16) |
                (static_cast<unsigned long>(colour.green >> 8) << 8) | (colour.blue >> 8);
        }
        SDrawBitmap bitmap(const_cast<char**>(xpm), 0, 0, false);
        ASSERT_NE(bitmap.GetPixmap(), 0u);
        const guitest::SImage image = guitest::Grab(bitmap.GetPixmap(), width, height);
        ASSERT_EQ(visual->c_class, TrueColor) << "the test server is 24-bit TrueColor";
        int wrong = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const std::string key = std::string(xpm[1 + colours + y])
                                            .substr(static_cast<size_t>(x * chars),
                                                    static_cast<size_t>(chars));
                if (image.pixels[static_cast<size_t>(y * width + x)] != pixels[key]) ++wrong;
            }
        EXPECT_EQ(wrong, 0) << xpm[0];
    }
}

} // namespace
