#include "GUI/valueholder.h"

#include <cmath>

namespace velk::gui {

template <typename T> bool SIValueHolder<T>::SetValue(T v, bool) {
    if (v == value) return false;
    value = v;
    return true;
}

template <typename T> T SIValueRangeHolder<T>::Clamp(T v) const {
    if (v < valueMin) v = valueMin;
    if (v > valueMax) v = valueMax;
    return v;
}

template <typename T> void SIValueRangeHolder<T>::SetValueRange(T minimum, T maximum, T def) {
    valueMin = minimum;
    valueMax = maximum;
    SetValueDef(def);
    CalcValueMed();
}

template <typename T> bool SIValueRangeHolder<T>::SetValueClipped(T v) {
    return this->SetValue(Clamp(v), true);
}

template <typename T> void SIValueRangeHolder<T>::SetValueMin(T v) {
    valueMin = v;
    if (this->valueDef < valueMin) this->valueDef = valueMin;
    CalcValueMed();
}

template <typename T> void SIValueRangeHolder<T>::SetValueMax(T v) {
    valueMax = v;
    if (this->valueDef > valueMax) this->valueDef = valueMax;
    CalcValueMed();
}

template <typename T> void SIValueRangeHolder<T>::SetValueDef(T v) {
    this->valueDef = Clamp(v);
}

// Halved in a wider type, so ranges near the limits of T do not overflow.
template <typename T> void SIValueRangeHolder<T>::CalcValueMed() {
    const long long span = static_cast<long long>(valueMax) - static_cast<long long>(valueMin);
    valueMed = static_cast<T>(static_cast<long long>(valueMin) + (span >> 1));
}

template <typename T> T SIValueRangeHolder<T>::ScaleValue(float fraction, bool inverted) {
    const double span = static_cast<double>(valueMax) - static_cast<double>(valueMin);
    const double part = std::lround(static_cast<double>(fraction) * span);
    return static_cast<T>(inverted ? valueMax - part : valueMin + part);
}

template <typename T> void SIControllable<T>::SetValueRange(T minimum, T maximum, T def) {
    SIValueRangeHolder<T>::SetValueRange(minimum, maximum, def);
    CalcScale();
}

template <typename T> void SIControllable<T>::CalcScale() {
    const double span = static_cast<double>(this->valueMax) - static_cast<double>(this->valueMin);
    scale = span == 0.0 ? 1.0f : static_cast<float>(1.0 / span);
}

template class SIValueHolder<int>;
template class SIValueRangeHolder<int>;
template class SIControllable<int>;

} // namespace velk::gui
