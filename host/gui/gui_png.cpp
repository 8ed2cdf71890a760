#include "host/gui/gui_png.h"

#include "host/formats/file_io.h"

#include <algorithm>

namespace moravox::host {

namespace {

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0) {
    static uint32_t table[256];
    static const bool built = [] {
        for (uint32_t n = 0; n < 256; n++) {
            uint32_t c = n;
            for (int k = 0; k < 8; k++) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
        return true;
    }();
    (void)built;
    crc = ~crc;
    for (size_t i = 0; i < size; i++) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

uint32_t Adler32(const std::vector<uint8_t>& data) {
    uint32_t a = 1, b = 0;
    for (uint8_t byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

void Chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& body) {
    Put32(out, static_cast<uint32_t>(body.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), body.begin(), body.end());
    Put32(out, Crc32(out.data() + start, out.size() - start));
}

// The channel value of a pixel under an X colour mask, scaled to 8 bits.
uint8_t Channel(unsigned long pixel, unsigned long mask) {
    if (!mask) return 0;
    int shift = 0;
    while (!(mask & 1)) {
        mask >>= 1;
        shift++;
    }
    const unsigned long value = (pixel >> shift) & mask;
    return static_cast<uint8_t>(value * 255 / mask);
}

} // namespace

bool CaptureWindow(const XlibApi& x, Display* display, Window window, RgbImage& image) {
    XWindowAttributes attributes;
    if (!x.XGetWindowAttributes(display, window, &attributes)) return false;
    return CaptureArea(x, display, window, 0, 0, attributes.width, attributes.height, image);
}

bool CaptureArea(const XlibApi& x, Display* display, Window window, int left, int top, int width,
                 int height, RgbImage& image) {
    if (width <= 0 || height <= 0) return false;
    XImage* shot = x.XGetImage(display, window, left, top, static_cast<unsigned>(width),
                               static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (!shot) return false;
    image.width = width;
    image.height = height;
    image.rgb.assign(static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 3, 0);
    size_t at = 0;
    for (int row = 0; row < image.height; row++) {
        for (int column = 0; column < image.width; column++) {
            const unsigned long pixel = XGetPixel(shot, column, row);
            image.rgb[at++] = Channel(pixel, shot->red_mask);
            image.rgb[at++] = Channel(pixel, shot->green_mask);
            image.rgb[at++] = Channel(pixel, shot->blue_mask);
        }
    }
    XDestroyImage(shot);
    return true;
}

std::vector<uint8_t> EncodePng(const RgbImage& image) {
    std::vector<uint8_t> raw;
    const size_t stride = static_cast<size_t>(image.width) * 3;
    for (int row = 0; row < image.height; row++) {
        raw.push_back(0); // no filter
        const auto begin = image.rgb.begin() + static_cast<long>(stride * static_cast<size_t>(row));
        raw.insert(raw.end(), begin, begin + static_cast<long>(stride));
    }
    std::vector<uint8_t> zlib = {0x78, 0x01};
    size_t done = 0;
    do {
        const size_t size = std::min<size_t>(raw.size() - done, 65535);
        const bool last = done + size == raw.size();
        zlib.push_back(last ? 1 : 0);
        zlib.push_back(static_cast<uint8_t>(size));
        zlib.push_back(static_cast<uint8_t>(size >> 8));
        zlib.push_back(static_cast<uint8_t>(~size));
        zlib.push_back(static_cast<uint8_t>(~size >> 8));
        zlib.insert(zlib.end(), raw.begin() + static_cast<long>(done),
                    raw.begin() + static_cast<long>(done + size));
        done += size;
    } while (done < raw.size());
    Put32(zlib, Adler32(raw));

    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    Put32(header, static_cast<uint32_t>(image.width));
    Put32(header, static_cast<uint32_t>(image.height));
    header.insert(header.end(), {8, 2, 0, 0, 0}); // 8-bit RGB
    Chunk(out, "IHDR", header);
    Chunk(out, "IDAT", zlib);
    Chunk(out, "IEND", {});
    return out;
}

bool WritePng(const std::string& path, const RgbImage& image) {
    std::string error;
    return WriteFileAtomically(path, EncodePng(image), error);
}

} // namespace moravox::host
