// Screenshots of a window as PNG files, without an image library: the pixels go into
// stored (uncompressed) deflate blocks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/gui/gui_xlib.h"

namespace moravox::host {

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb; // width * height * 3 bytes, rows top to bottom
};

// The window's contents, its children included; false when the window cannot be read.
bool CaptureWindow(const XlibApi& x, Display* display, Window window, RgbImage& image);
// A rectangle of the window in its own coordinates (of the root: what the screen shows there).
bool CaptureArea(const XlibApi& x, Display* display, Window window, int left, int top, int width,
                 int height, RgbImage& image);

// The PNG file's bytes (8-bit RGB, no interlace).
std::vector<uint8_t> EncodePng(const RgbImage& image);
bool WritePng(const std::string& path, const RgbImage& image);

} // namespace moravox::host
