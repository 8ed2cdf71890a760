// The MIDI randomizer: parameters, programs and the per-block MIDI pipeline.
//
// Threads: the host's audio thread runs processEvents/process*/midiInProcess
// and owns the queues' consuming ends, the note table and the counters. Host
// and GUI threads set parameters, programs and chunks; every program field is
// read and written with relaxed atomics. Panic and the manual trigger only
// raise requests that the audio thread serves at the start of its next block,
// so every queue has exactly one producer and one consumer and the generators
// are only ever drawn from on the audio thread.
#pragma once

#include <atomic>

#include "engine/midievent.h"
#include "engine/notetable.h"
#include "engine/program.h"
#include "engine/random.h"
#include "engine/sampler.h"
#include "plugin/splugin.h"

class VSTPlugin : public SPlugin {
public:
    using midievent = velk::midi::midievent;
    using VSTPluginProgram = velk::engine::VSTPluginProgram;

    VSTPlugin(audioMasterCallback audioMaster, int& status);
    ~VSTPlugin() override;

    // Parameters.
    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void getParameterLabel(VstInt32 index, char* label) override;
    void getParameterDisplay(VstInt32 index, char* text) override;
    void getParameterName(VstInt32 index, char* text) override;

    // Audio and MIDI.
    VstInt32 processEvents(VstEvents* events) override;
    void process(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    void setSampleRate(float rate) override;
    void setBlockSize(VstInt32 size) override;
    void suspend() override { SPlugin::suspend(); }
    void resume() override { SPlugin::resume(); }

    void midiPreProcess() {}
    void midiInProcess();
    // 0 drop, 1 trigger (the event is rewritten), 2 pass through.
    int processMidiEvent(midievent& event, int status, int channel, int data1, int data2,
                         bool repeat);
    void midiExtProcess();
    void midiPostProcess();
    void edit();

    // Programs and chunks.
    void setProgram(VstInt32 program) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;
    VstInt32 getChunk(void** data, bool isPreset) override;
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset) override;
    void copySelProgram();
    void pasteSelProgram();

    // Vendor-specific requests. 'MVXs' with a seed in value reseeds every
    // generator of this instance deterministically, for reproducible renders;
    // it takes effect at the start of the next processing block.
    VstIntPtr vendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float opt) override;
    static constexpr VstInt32 kSeedRequest = FourCC('M', 'V', 'X', 's');

    // For the panel and tests.
    VSTPluginProgram& CurrentProgram() { return bank[CurrentIndex()]; }
    bool NoteOffRequested() const { return noteOffRequest.load(std::memory_order_acquire); }

private:
    using SRandom = velk::math::random::generator::SRandom;

    int CurrentIndex() const;
    bool On(VstInt32 index) { return getParameter(index) >= 1e-10f; }
    void SelectGenerator(int randomizer);
    SRandom& Generator() { return *generator.load(std::memory_order_acquire); }
    void NotifyEditor(VstInt32 index);
    void NotifyEditorProgram();
    void RequestNoteOffs() { noteOffRequest.store(true, std::memory_order_release); }

    // What the pipeline reads of the parameters, taken once per block (and again
    // after a program change arrives as MIDI), each field read once.
    struct Settings {
        bool format, channel, number, value, thru, inThru, presetSwitching;
        int formatIn, formatOut, everyNth, eventCount, blockSize;
        float offset;
        velk::engine::RangeSampler channelRange, numberRange, valueRange;
        velk::engine::FastMod blockModulus, extModulus;
        SRandom* generator;
        int generatorKind; // 0 C library, 1 Mersenne, 2 Park-Miller
    };
    void Snapshot();

    void ServeRequests();
    void Randomize(midievent& event, int channel, int data1, int data2);
    template <class Random>
    void RandomizeWith(Random& g, midievent& event, int channel, int data1, int data2);
    void PassThrough(midievent& event);
    int Offset(const velk::engine::FastMod& modulus);
    void QueuePanic();
    void Block(float** inputs, float** outputs, VstInt32 frames, bool accumulate);
    void HandOver(VstInt32 frames);
    void ServeNoteOffRequest();

    velk::engine::VSTPluginProgramBank bank;
    VSTPluginProgram clipboard;
    bool clipboardFilled = false;

    std::atomic<bool> panic{false};
    std::atomic<bool> manualTrigger{false};
    std::atomic<int> panicRequests{0};
    std::atomic<int> triggerRequests{0};
    std::atomic<bool> seedRequested{false};
    std::atomic<uint32_t> requestedSeed{0};
    std::atomic<bool> noteOffRequest{false};
    std::atomic<bool> noteOffAcknowledged{false};

    velk::midi::EventQueue input;
    velk::midi::OutputBuffer output;
    velk::midi::EventQueue generated;
    velk::midi::EventQueue control;
    velk::engine::NoteTable notes;

    // What goes to the host: a VstEvents header pointing at the output slots.
    struct {
        VstInt32 numEvents;
        VstIntPtr reserved;
        VstEvent* events[velk::midi::OutputBuffer::kCapacity];
    } outEvents;

    Settings settings;
    int everyNthCounter = 0;
    int eventCountCounter = 0;

    velk::math::random::generator::SRandomSTD randomSTD;
    velk::math::random::generator::SRandomMersenne randomMersenne;
    velk::math::random::generator::SRandomPM randomPM;
    std::atomic<SRandom*> generator;
};
