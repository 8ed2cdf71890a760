#include "host/render/progress.h"

namespace moravox::host {

std::string ProgressBar::Line(const std::string& label, int percent) {
    const int filled = percent * kWidth / 100;
    std::string bar = label + " [" + std::string(static_cast<size_t>(filled), '#') +
                      std::string(static_cast<size_t>(kWidth - filled), '.') + "] ";
    const std::string number = std::to_string(percent);
    return bar + std::string(3 - number.size(), ' ') + number + "%";
}

void ProgressBar::Update(uint64_t done, uint64_t total) {
    const int percent = total == 0 || done >= total ? 100 : static_cast<int>(done * 100 / total);
    if (percent == shown_) return;
    shown_ = percent;
    out_ << '\r' << Line(label_, percent) << std::flush;
}

void ProgressBar::Clear() {
    if (shown_ < 0) return;
    out_ << '\r' << std::string(Line(label_, 100).size(), ' ') << '\r' << std::flush;
    shown_ = -1;
}

} // namespace moravox::host
