#include "plugin/lv2/lv2_ports.h"

#include <cmath>

#include "engine/program/parameter_table.h"

namespace moravox::lv2 {

using velk::engine::FindParameter;
using velk::engine::ParameterInfo;
using velk::engine::Stored;

namespace {
const ParameterInfo* Find(uint32_t parameter) {
    return parameter <= velk::engine::P_RANDOMIZER ? FindParameter(static_cast<int>(parameter))
                                                   : nullptr;
}
} // namespace

float ParameterValue(uint32_t parameter, float natural) {
    const ParameterInfo* p = Find(parameter);
    if (!p || !std::isfinite(natural)) return 0.0f;
    if (p->stored != Stored::Integer) return natural > 0.5f ? 1.0f : 0.0f;
    const float whole = std::floor(natural + 0.5f);
    const int k = whole <= 0.0f ? 0 : whole >= static_cast<float>(p->scale) ? p->scale
                                                                             : static_cast<int>(whole);
    return velk::engine::ReadStored(*p, k);
}

float NaturalValue(uint32_t parameter, float value) {
    const ParameterInfo* p = Find(parameter);
    if (!p || !std::isfinite(value)) return 0.0f;
    if (p->stored != Stored::Integer) return value > 0.5f ? 1.0f : 0.0f;
    const int k = velk::engine::StoreValue(*p, value);
    return static_cast<float>(k < 0 ? 0 : k > p->scale ? p->scale : k);
}

} // namespace moravox::lv2
