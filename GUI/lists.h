// Ordered lists of pens, brushes and fonts. The plain lists release only their
// storage; the owned kind also deletes every element.
#pragma once

#include <cstddef>
#include <vector>

#include "GUI/drawtools.h"
#include "GUI/font.h"

namespace velk::gui::context {

template <typename T> class SPointerList {
public:
    SPointerList() = default;
    virtual ~SPointerList() = default;
    SPointerList(const SPointerList&) = delete;
    SPointerList& operator=(const SPointerList&) = delete;

    void Add(T* item) { items.push_back(item); }
    std::size_t Count() const { return items.size(); }
    T* operator[](std::size_t i) const { return items[i]; }
    typename std::vector<T*>::const_iterator begin() const { return items.begin(); }
    typename std::vector<T*>::const_iterator end() const { return items.end(); }

protected:
    std::vector<T*> items;
};

template <typename T> class SPointerListOwned : public SPointerList<T> {
public:
    ~SPointerListOwned() override { DeleteAll(); }
    void DeleteAll() {
        for (T*& item : this->items) {
            delete item;
            item = nullptr;
        }
        this->items.clear();
    }
    template <typename Predicate> void DeleteWhere(Predicate chosen) {
        std::vector<T*> kept;
        for (T* item : this->items)
            if (item && chosen(item))
                delete item;
            else if (item)
                kept.push_back(item);
        this->items.swap(kept);
    }
};

class SPenList : public SPointerList<SDrawPen> {};
class SBrushList : public SPointerList<SDrawBrush> {};
class SFontList : public SPointerList<SDrawFont> {};
class SPenListOwned : public SPointerListOwned<SDrawPen> {};
class SBrushListOwned : public SPointerListOwned<SDrawBrush> {};
class SFontListOwned : public SPointerListOwned<SDrawFont> {};

} // namespace velk::gui::context
