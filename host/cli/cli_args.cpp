#include "host/cli/cli_args.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace moravox::host {

bool CommandArguments::Parse(const std::vector<std::string>& args, size_t first,
                             const std::set<std::string>& valued,
                             const std::set<std::string>& flags, std::string& error) {
    for (size_t i = first; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 2 || arg[0] != '-') {
            plain_.push_back(arg);
            continue;
        }
        const size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        if (flags.count(name) != 0 && equals == std::string::npos) {
            options_.emplace_back(name, "");
        } else if (valued.count(name) == 0) {
            error = "unknown option '" + arg + "'";
            return false;
        } else if (equals != std::string::npos) {
            options_.emplace_back(name, arg.substr(equals + 1));
        } else if (i + 1 < args.size()) {
            options_.emplace_back(name, args[++i]);
        } else {
            error = "option " + name + " needs a value";
            return false;
        }
    }
    return true;
}

bool CommandArguments::Has(const std::string& option) const {
    for (const auto& entry : options_) {
        if (entry.first == option) return true;
    }
    return false;
}

std::string CommandArguments::Last(const std::string& option) const {
    std::string value;
    for (const auto& entry : options_) {
        if (entry.first == option) value = entry.second;
    }
    return value;
}

std::vector<std::string> CommandArguments::All(const std::string& option) const {
    std::vector<std::string> values;
    for (const auto& entry : options_) {
        if (entry.first == option) values.push_back(entry.second);
    }
    return values;
}

bool ParseInteger(const std::string& text, uint64_t min, uint64_t max, uint64_t& value) {
    if (text.empty() || text.size() > 19) return false;
    uint64_t result = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        result = result * 10 + static_cast<uint64_t>(c - '0');
    }
    if (result < min || result > max) return false;
    value = result;
    return true;
}

bool ParseUnitValue(const std::string& text, float& value) {
    if (text.empty() || text[0] == '+' || text[0] == '-') return false;
    // Decimal only: strtof also reads hexadecimal ("0x1p-1"), "nan" and "infinity".
    if (text.find_first_not_of("0123456789.eE+-") != std::string::npos) return false;
    errno = 0;
    char* end = nullptr;
    const float result = std::strtof(text.c_str(), &end);
    if (errno != 0 || end != text.c_str() + text.size() || !std::isfinite(result)) return false;
    if (result < 0.0f || result > 1.0f) return false;
    value = result;
    return true;
}

bool ParseSecondsAsSamples(const std::string& text, uint32_t rate, uint64_t maxSeconds,
                           uint64_t& samples) {
    const size_t dot = text.find('.');
    const std::string whole = text.substr(0, dot);
    const std::string fraction = dot == std::string::npos ? "" : text.substr(dot + 1);
    if (fraction.size() > 9 || (whole.empty() && fraction.empty())) return false;
    uint64_t seconds = 0, part = 0;
    if (!whole.empty() && !ParseInteger(whole, 0, maxSeconds, seconds)) return false;
    if (!fraction.empty() && !ParseInteger(fraction, 0, UINT64_MAX, part)) return false;
    uint64_t scale = 1;
    for (size_t i = 0; i < fraction.size(); ++i) scale *= 10;
    if (seconds == maxSeconds && part != 0) return false;
    // part / scale of a second, in samples: below 10^9 * rate, so no overflow.
    samples = seconds * rate + (part * rate + scale / 2) / scale;
    return true;
}

} // namespace moravox::host
