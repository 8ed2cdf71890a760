// The gui command's other host threads: an audio thread that processes blocks and counts
// the MIDI the plug-in sends, an automation thread that sets parameters, and a baseline
// thread that only wakes; and the figures a stress run reports (X windows on the server,
// resident memory).
#include <pthread.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <random>

#include "host/gui/gui_session.h"

namespace moravox::host {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
const bool GuiSession::kSanitized = true;
#else
const bool GuiSession::kSanitized = false;
#endif

namespace {

constexpr VstInt32 kBlockFrames = 256;
constexpr int kBlockPauseMs = 5;

VstMidiEvent MidiMessage(unsigned char status, unsigned char data1, unsigned char data2) {
    VstMidiEvent event{};
    event.type = kVstMidiType;
    event.byteSize = sizeof(VstMidiEvent);
    event.midiData[0] = static_cast<char>(status);
    event.midiData[1] = static_cast<char>(data1);
    event.midiData[2] = static_cast<char>(data2);
    return event;
}

void Count(const VstMidiEvent& event, MidiCounts& midi) {
    const unsigned status = static_cast<unsigned char>(event.midiData[0]);
    const unsigned data1 = static_cast<unsigned char>(event.midiData[1]);
    const unsigned data2 = static_cast<unsigned char>(event.midiData[2]);
    switch (status & 0xF0) {
    case 0x90: (data2 ? midi.noteOn : midi.noteOff)++; break;
    case 0x80: midi.noteOff++; break;
    case 0xB0:
        // A panic resets every channel; channel 1's reset counts it once.
        if (data1 == 120 && status == 0xB0) midi.panic++;
        if (data1 < 120) midi.controlChange++;
        break;
    case 0xC0: midi.programChange++; break;
    case 0xE0: midi.bend++; break;
    default: midi.other++; break;
    }
}

} // namespace

void GuiSession::StartThreads() {
    stop_ = false;
    if (options_.process) audio_ = std::thread([this] { AudioThread(); });
    if (options_.automate) automation_ = std::thread([this] { AutomationThread(); });
    if (options_.baselineTickMs > 0) baseline_ = std::thread([this] { BaselineThread(); });
}

void GuiSession::StopThreads() {
    stop_ = true;
    if (audio_.joinable()) audio_.join();
    if (automation_.joinable()) automation_.join();
    if (baseline_.joinable()) baseline_.join();
    if (reader_.joinable()) reader_.join();
}

void GuiSession::AudioThread() {
    std::vector<float> buffers(4 * kBlockFrames, 0.0f);
    float* inputs[2] = {&buffers[0], &buffers[kBlockFrames]};
    float* outputs[2] = {&buffers[2 * kBlockFrames], &buffers[3 * kBlockFrames]};
    for (unsigned block = 0; !stop_; block++) {
        {
            // One block for every instance in turn, as one host's audio thread does.
            std::lock_guard<std::mutex> guard(instancesMutex_);
            for (auto& instance : instances_) {
                Host* host = instance->GetHost();
                MidiCounts& midi = instance->Midi();
                if (options_.notes && block % 8 == 0) host->SendMidi({MidiMessage(0x9F, 60, 100)});
                if (options_.notes && block % 8 == 4) host->SendMidi({MidiMessage(0x8F, 60, 0)});
                host->ProcessReplacing(inputs, outputs, kBlockFrames);
                for (const VstMidiEvent& event : host->TakeRealtimeEvents()) Count(event, midi);
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kBlockPauseMs));
    }
}

void GuiSession::AutomationThread() {
    static const VstInt32 kAutomated[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 15};
    std::mt19937 random(12345);
    std::uniform_int_distribution<size_t> which(0, std::size(kAutomated) - 1);
    std::uniform_real_distribution<float> value(0.0f, 1.0f);
    for (size_t turn = 0; !stop_; turn++) {
        {
            // The instances take turns.
            std::lock_guard<std::mutex> guard(instancesMutex_);
            if (!instances_.empty())
                instances_[turn % instances_.size()]->GetHost()->SetParameter(
                    kAutomated[which(random)], value(random));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// Sleeps the way the plug-in's idle thread does between ticks (a timed condition wait) and
// does nothing else.
void GuiSession::BaselineThread() {
    pthread_setname_np(pthread_self(), "tick-baseline");
    std::mutex mutex;
    std::condition_variable never;
    std::unique_lock<std::mutex> lock(mutex);
    while (!stop_) never.wait_for(lock, std::chrono::milliseconds(options_.baselineTickMs));
}

namespace {
int CountBelow(const XlibApi& x, Display* display, Window window) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    int total = 1;
    if (x.XQueryTree(display, window, &root, &parent, &children, &count)) {
        for (unsigned i = 0; i < count; i++) total += CountBelow(x, display, children[i]);
    }
    if (children) x.XFree(children);
    return total;
}
} // namespace

int GuiSession::CountWindows() {
    Display* d = display_.Get();
    x_.XSync(d, False);
    return CountBelow(x_, d, x_.XDefaultRootWindow(d));
}

long GuiSession::ResidentKb() {
    FILE* statm = fopen("/proc/self/statm", "r");
    if (!statm) return -1;
    long size = 0, resident = 0;
    const int read = fscanf(statm, "%ld %ld", &size, &resident);
    fclose(statm);
    return read == 2 ? resident * (sysconf(_SC_PAGESIZE) / 1024) : -1;
}

} // namespace moravox::host
