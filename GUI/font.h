// X core fonts, named from a size and a weight, as the toolkit's text uses them.
#pragma once

#include <X11/Xlib.h>

#include "data/datastring.h"

namespace velk::gui::context {

class SDrawFont {
public:
    // Loads the font for `size` (its pixel size is size + size / 4); face, when given,
    // names the foundry and family ("adobe-helvetica"). Without a display, or when the
    // server knows no such font, the font has no information and draws nothing.
    SDrawFont(int size, bool bold, bool italic, bool flag, const char* face);
    // The font of the default screen's default GC, recorded as size 10.
    explicit SDrawFont(bool flag);
    ~SDrawFont();
    SDrawFont(const SDrawFont&) = delete;
    SDrawFont& operator=(const SDrawFont&) = delete;

    int Size() const { return size; }
    bool Bold() const { return bold; }
    bool Italic() const { return italic; }
    const char* Name() const { return name.Text(); }
    Font Id() const { return fontId; }
    XFontStruct* Info() const { return info; }
    // The connection the font was loaded on.
    Display* Connection() const { return display; }
    int Ascent() const { return info ? info->ascent : 0; }
    int Descent() const { return info ? info->descent : 0; }

    // The name tried for a size without face in steps 1-3, or the first helvetica
    // candidate of step 4 (m = pixel size + 4).
    static velk::data::datastring<32, char> FontName(int size, bool bold, bool italic,
                                                     const char* face);

private:
    bool Load(const char* fontName);

    int size;
    velk::data::datastring<32, char> name;
    bool bold;
    bool italic;
    Font fontId = 0;
    XFontStruct* info = nullptr;
    Display* display = nullptr;
};

} // namespace velk::gui::context
