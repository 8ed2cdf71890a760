#include "system/system.h"


velk::system::SSystemData* sd = nullptr;

namespace velk {
namespace system {

SSystemData::SSystemData(const char* root, std::FILE* errors)
    : root(root ? root : ""), errors(errors) {}

void SSystemData::getOSInfos() {
    operatingSystem.QueryFeatures(root.c_str());
    systemDescription = operatingSystem.Text();
    kernelAcceptable = operatingSystem.KernelAcceptable();
}

void SSystemData::getCPUInfos() {
    processor.QueryRegistry(root.c_str(), errors);
    processorDescription = std::string("CPU Type: ") + processor.Vendor() +
                           "\nCPU Model: " + processor.Model() +
                           "\nCPU Count: " + std::to_string(processor.Count());
    clock = processor.Clock();
    count = processor.Count();
    const unsigned features = processor.Features();
    mmx = features & FEATURE_MMX;
    sse = features & FEATURE_SSE;
    sse2 = features & FEATURE_SSE2;
    amd3DNow = features & FEATURE_3DNOW;
}

bool SSystemData::getDisplayInfos(std::shared_ptr<gui::SDisplay> layout) {
    if (displayGathered) return false;
    displayGathered = true;
    display = std::move(layout);
    return true;
}

bool SSystemData::Qualifies(bool wantSSE, bool wantSSE2) const {
    if (wantSSE2) return kernelAcceptable && mmx && sse && sse2;
    if (wantSSE) return kernelAcceptable && mmx && sse;
    return kernelAcceptable && mmx;
}

std::string SSystemData::ErrorMessage(bool wantSSE, bool wantSSE2) const {
    std::string missing;
    if (!kernelAcceptable) missing += "- a Linux kernel of version 2.6 or later\n";
    if (!mmx) missing += "- a processor with MMX\n";
    if ((wantSSE || wantSSE2) && !sse) missing += "- a processor with SSE\n";
    if (wantSSE2 && !sse2) missing += "- a processor with SSE2\n";
    if (missing.empty()) return missing;
    return "This system lacks:\n" + missing;
}

std::string SSystemData::FeatureMessage() const {
    std::string message = systemDescription;
    if (!message.empty() && message.back() != '\n') message += '\n';
    message += processorDescription;
    message += "\nCPU Clock: " + std::to_string(clock) + " MHz\nCPU Features:";
    if (mmx) message += " MMX";
    if (sse) message += " SSE";
    if (sse2) message += " SSE2";
    if (amd3DNow) message += " 3DNow!";
    if (!mmx && !sse && !sse2 && !amd3DNow) message += " none";
    return message + "\n";
}

} // namespace system
} // namespace velk
