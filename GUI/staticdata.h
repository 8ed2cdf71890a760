// The process-wide drawing resources: the palette and the pen, brush and font caches.
// Pens and brushes are plain values and serve every connection; a font and a palette
// pixel belong to the connection they were made on, the one XDisplay() names when they
// are asked for. Used under the toolkit's lock.
#pragma once

#include "GUI/colour.h"
#include "GUI/lists.h"

namespace velk::gui::context {

class SStaticData {
public:
    static constexpr int kCapacity = 29;

    SStaticData() = default;
    // Fonts go first, then brushes, then pens.
    ~SStaticData();
    SStaticData(const SStaticData&) = delete;
    SStaticData& operator=(const SStaticData&) = delete;

    // Allocates the palette in slot order. Without a display nothing is appended, so a
    // later call, once the host has handed over its display, fills it after all.
    void AddColours();
    // Appends one pixel; ignored when the table is full.
    void AddColour(int pixel);
    // The pixel of a palette slot on the connection in use (the table filled at load for
    // one the toolkit does not know); 0 for a slot not filled.
    int Colour(int slot) const;
    int ColourCount() const { return count; }
    bool ColoursAdded() const { return coloursAdded; }

    // The first cached pen of this colour whatever its width and dash, else a new
    // 1-pixel solid pen.
    SDrawPen* FindPen(int colour);
    // The first brush that paints with this colour, else a new solid brush.
    SDrawBrush* FindBrush(int colour);
    // The first font of this size, weight and slant on the connection in use, else a
    // newly loaded one.
    SDrawFont* FindFont(int size, bool bold, bool italic);
    // Deletes the fonts made on that connection, before it goes.
    void ReleaseFonts(Display* display);

    SPenListOwned pens;
    SBrushListOwned brushes;
    SFontListOwned fonts;

private:
    bool coloursAdded = false;
    int position = 0;
    int count = 0;
    int colours[kCapacity] = {};
};

} // namespace velk::gui::context

// Built by the library's load hook, deleted by its unload hook.
extern velk::gui::context::SStaticData* statdata;
