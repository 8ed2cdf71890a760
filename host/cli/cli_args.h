// The command line of one moravox-host command: its plain arguments and its options, and the
// number formats the options take.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace moravox::host {

class CommandArguments {
public:
    // Options in `valued` take the next argument (or the text after '=') as their value;
    // options in `flags` take none. False with the reason in `error` for anything else that
    // starts with '-', or a value that is missing.
    bool Parse(const std::vector<std::string>& args, size_t first,
               const std::set<std::string>& valued, const std::set<std::string>& flags,
               std::string& error);

    const std::vector<std::string>& Plain() const { return plain_; }
    bool Has(const std::string& option) const;
    // The value given last, or "" when the option is absent.
    std::string Last(const std::string& option) const;
    // Every value of a repeatable option, in order.
    std::vector<std::string> All(const std::string& option) const;

private:
    std::vector<std::string> plain_;
    std::vector<std::pair<std::string, std::string>> options_;
};

// A decimal integer in [min, max]: digits only, no sign, no spaces.
bool ParseInteger(const std::string& text, uint64_t min, uint64_t max, uint64_t& value);
// A decimal number from 0 to 1 (such as 0.25 or 1e-3), as a float.
bool ParseUnitValue(const std::string& text, float& value);
// Non-negative decimal seconds (up to nine decimals) as whole samples at `rate`, rounded to
// nearest; exact integer arithmetic, so every build gets the same count.
bool ParseSecondsAsSamples(const std::string& text, uint32_t rate, uint64_t maxSeconds,
                           uint64_t& samples);

} // namespace moravox::host
