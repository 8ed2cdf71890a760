#include "host/core/host_call_log.h"

#include <algorithm>
#include <utility>

namespace moravox::host {

void HostCallLog::Add(HostCall call) {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back(std::move(call));
}

size_t HostCallLog::Count(VstInt32 opcode) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<size_t>(std::count_if(
        calls_.begin(), calls_.end(), [opcode](const HostCall& c) { return c.opcode == opcode; }));
}

size_t HostCallLog::Size() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_.size();
}

std::vector<HostCall> HostCallLog::Calls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
}

std::vector<HostCall> HostCallLog::Calls(VstInt32 opcode) const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<HostCall> matching;
    for (const HostCall& call : calls_) {
        if (call.opcode == opcode) matching.push_back(call);
    }
    return matching;
}

void HostCallLog::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.clear();
}

} // namespace moravox::host
