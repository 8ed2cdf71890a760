#include "GUI/font.h"

#include "GUI/world.h"

namespace velk::gui::context {

namespace {

constexpr const char* kFallback = "-adobe-helvetica-bold-r-normal--34-*-*-*-*-*-iso8859-1";

velk::data::datastring<32, char> HelveticaName(int pixels, bool bold) {
    velk::data::datastring<32, char> text;
    text.Append("-adobe-helvetica-").Append(bold ? "bold" : "medium").Append("-r-normal--");
    text.Append(16, "%i", pixels).Append("-*-*-*-*-*-iso8859-1");
    return text;
}

} // namespace

velk::data::datastring<32, char> SDrawFont::FontName(int size, bool bold, bool italic,
                                                     const char* face) {
    const int pixels = size + (size >> 2);
    velk::data::datastring<32, char> text;
    if (face) {
        text.Append("-").Append(face).Append("-").Append(bold ? "bold-" : "medium-");
        text.Append(italic ? "i-" : "r-").Append("normal--");
    } else if (pixels < 8) {
        text.Append("-misc-fixed-medium-r-*--");
    } else if (pixels <= 12) {
        text.Append(bold ? "-adobe-helvetica-bold" : "-adobe-helvetica-medium");
        text.Append(italic ? "-o-*--" : "-r-*--");
    } else {
        return HelveticaName(pixels + 4, bold);
    }
    text.Append(16, "%i", pixels).Append("-*-*-*-*-*-iso8859-1");
    return text;
}

// Every name is loaded with a query that answers null for an unknown font: a plain
// load would leave an asynchronous BadName error, and the default Xlib handler ends
// the host process for it.
bool SDrawFont::Load(const char* fontName) {
    name = velk::data::datastring<32, char>();
    name.Append(fontName);
    if (!display) return false;
    info = XLoadQueryFont(display, fontName);
    fontId = info ? info->fid : 0;
    return info != nullptr;
}

SDrawFont::SDrawFont(int size, bool bold, bool italic, bool, const char* face)
    : size(size), bold(bold), italic(italic), display(RequireDisplay()) {
    const int pixels = size + (size >> 2);
    if (face || pixels <= 12) {
        Load(FontName(size, bold, italic, face).Text());
        return;
    }
    for (int m = pixels + 4; m >= 13; --m)
        if (Load(HelveticaName(m, bold).Text())) return;
    Load(kFallback);
}

SDrawFont::SDrawFont(bool) : size(10), bold(false), italic(false), display(RequireDisplay()) {
    if (!display) return;
    GC gc = DefaultGC(display, DefaultScreen(display));
    fontId = XGContextFromGC(gc);
    info = XQueryFont(display, fontId);
}

SDrawFont::~SDrawFont() {
    if (!display || !info) return;
    // A font we loaded is unloaded with its information; the default GC's font is not ours.
    if (name.Length() > 1)
        XFreeFont(display, info);
    else
        XFreeFontInfo(nullptr, info, 1);
}

} // namespace velk::gui::context
