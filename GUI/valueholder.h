// The small interfaces the value widgets share: a value with a default, the same with
// a range, middle and step, a controllable value with a scale, and hover colours.
// Setting a value here never sends an event; the widgets decide that.
#pragma once

namespace velk::gui {

template <typename T> class SIValueHolder {
public:
    virtual ~SIValueHolder() = default;

    // Whether the value changed.
    virtual bool SetValue(T v, bool notify);
    virtual T GetValue() { return value; }
    virtual T GetValueDef() { return valueDef; }
    virtual bool ResetValue() { return SetValue(valueDef, true); }
    virtual void SetValueDef(T v) { valueDef = v; }

protected:
    T value{};
    T valueDef{};
};

template <typename T> class SIValueRangeHolder : public SIValueHolder<T> {
public:
    // Stores the bounds and the default (pulled inside); the value is left alone.
    virtual void SetValueRange(T minimum, T maximum, T def);
    // The value clamped into the range, through SetValue.
    virtual bool SetValueClipped(T v);
    virtual void SetValueMin(T v);
    virtual void SetValueMax(T v);
    // The value set to the middle of the range, without event.
    virtual bool SetValueMed() { return this->SetValue(valueMed, false); }
    virtual void SetValueStep(T v) { valueStep = v; }
    virtual T GetValueStep() { return valueStep; }
    virtual T GetValueRange() {
        return static_cast<T>(static_cast<long long>(valueMax) - static_cast<long long>(valueMin));
    }
    virtual T GetValueMin() { return valueMin; }
    virtual T GetValueMax() { return valueMax; }
    virtual T GetValueMed() { return valueMed; }
    virtual void CalcValueMed();
    // A fraction of the range as a value; inverted counts down from the maximum.
    virtual T ScaleValue(float fraction, bool inverted);
    // Clamped into the range.
    void SetValueDef(T v) override;

protected:
    T Clamp(T v) const;

    T valueMin{};
    T valueMax{};
    T valueMed{};
    T valueStep{1};
};

template <typename T> class SIControllable : public SIValueRangeHolder<T> {
public:
    // Also sets the scale: 1 / range, or 1 for an empty range.
    void SetValueRange(T minimum, T maximum, T def) override;
    // Back to the default.
    virtual void Reset() { this->ResetValue(); }
    float GetScale() const { return scale; }

protected:
    void CalcScale();

    float scale = 1.0f;
};

// Two outline colours shown while the pointer is over a widget: a button picks by its
// value (off, on), a dial by the pointer (away, over).
class SIHoverable {
public:
    virtual ~SIHoverable() = default;
    virtual void SetHoverColours(int first, int second) {
        hoverColourOff = first;
        hoverColourOn = second;
    }

protected:
    int hoverColourOff = 0;
    int hoverColourOn = 0;
};

extern template class SIValueHolder<int>;
extern template class SIValueRangeHolder<int>;
extern template class SIControllable<int>;

} // namespace velk::gui
