#include "plugin/lv2/lv2_ports.h"

#include <cmath>

#include "engine/program/parameter_table.h"

namespace moravox::lv2 {

using velk::engine::FindParameter;
using velk::engine::ParameterInfo;
using velk::engine::Stored;

float ParameterValue(uint32_t port, float natural) {
    const ParameterInfo* p = port < kControls ? FindParameter(static_cast<int>(port)) : nullptr;
    if (!p || !std::isfinite(natural)) return 0.0f;
    if (p->stored != Stored::Integer) return natural > 0.5f ? 1.0f : 0.0f;
    const float whole = std::floor(natural + 0.5f);
    const int k = whole <= 0.0f ? 0 : whole >= static_cast<float>(p->scale) ? p->scale
                                                                             : static_cast<int>(whole);
    return velk::engine::ReadStored(*p, k);
}

float NaturalValue(uint32_t port, float parameter) {
    const ParameterInfo* p = port < kControls ? FindParameter(static_cast<int>(port)) : nullptr;
    if (!p || !std::isfinite(parameter)) return 0.0f;
    if (p->stored != Stored::Integer) return parameter > 0.5f ? 1.0f : 0.0f;
    const int k = velk::engine::StoreValue(*p, parameter);
    return static_cast<float>(k < 0 ? 0 : k > p->scale ? p->scale : k);
}

} // namespace moravox::lv2
