// A one-line progress bar, redrawn in place; only worth showing on a terminal.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <utility>

namespace moravox::host {

class ProgressBar {
public:
    static constexpr int kWidth = 40;

    ProgressBar(std::ostream& out, std::string label) : out_(out), label_(std::move(label)) {}
    // Redraws only when the shown percentage changes.
    void Update(uint64_t done, uint64_t total);
    // Wipes the bar, leaving the cursor at the start of an empty line.
    void Clear();

    // "label [#####.....]  50%"
    static std::string Line(const std::string& label, int percent);

private:
    std::ostream& out_;
    std::string label_;
    int shown_ = -1;
};

} // namespace moravox::host
