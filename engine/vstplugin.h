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
#include "engine/program/bank.h"
#include "engine/random/random.h"
#include "engine/random/sampler.h"
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

    int CurrentIndex() const {
        const VstInt32 index = __atomic_load_n(&curProgram, __ATOMIC_ACQUIRE);
        return index >= 0 && index < velk::engine::kNumPrograms ? index : 0;
    }
    bool On(VstInt32 index) { return getParameter(index) >= 1e-10f; }
    void SelectGenerator(int randomizer);
    SRandom& Generator() { return *generator.load(std::memory_order_acquire); }
    void NotifyEditor(VstInt32 index);
    void NotifyEditorProgram();
    void RequestNoteOffs() { noteOffRequest.store(true, std::memory_order_release); }

    // What an input event is to the pipeline, by its status nibble.
    // kEchoedTrigger: a trigger note that In Thru echoes, only in the direct loop's table.
    enum Route : uint8_t { kDrop, kTrigger, kPass, kProgramChange, kEchoedTrigger };
    static constexpr int kSilentNoteOn = 16; // the route of a note-on without velocity

    // What the settings are made from: the current program's fields as read (the
    // seven switches a byte each), the block size and the active generator's kind.
    // Plain words, so a block can tell at a glance whether anything changed.
    struct Sources {
        uint32_t flags, moreFlags;
        int32_t formatIn, formatOut, everyNth, eventCount, randomOffset, channelMin, channelMax,
            numberMin, numberMax, valueMin, valueMax, blockSize, generatorKind;
    };
    static_assert(sizeof(Sources) == 15 * sizeof(int32_t), "no padding between the words");

    // What the direct loop reads of the settings (see DrainDirect).
    struct DirectPlan {
        velk::engine::DataField value, channel, number;
        int spans; // which of value (1), channel (2) and number (4) draw from ordinary ranges
        // The output's status and the low ends of the ranges drawn from, each in its byte.
        uint32_t base;
        uint32_t keptValue; // the mask of a value kept from the input: none for program changes
        bool echo;
        velk::engine::FastMod frames;
        const uint16_t* offsets; // the offset of every draw mod the block size (OffsetTable)
        int blockSize;
        Route silent; // the route of a note-on without velocity
    };

    // Every offset a block size and an offset setting give, made when either changes
    // rather than with a float product per event; for blocks of up to kFrames frames.
    struct OffsetTable {
        static constexpr int kFrames = 8192;
        float scale = -1;
        int frames = 0;
        uint16_t offsets[kFrames];
    };

    // What a block finds before it reads the program.
    struct Seen {
        uint32_t edits; // programEdits
        int program;
        const SRandom* generator;
        VstInt32 blockSize;
    };

    // What the pipeline reads of the parameters, taken once per block (and again
    // after a program change arrives as MIDI), each field read once.
    struct Settings {
        Seen seen;
        Sources sources;
        bool made = false;
        bool format, channel, number, value, thru, inThru, presetSwitching;
        int formatIn, formatOut, everyNth, eventCount, blockSize;
        float offset;
        velk::engine::RangeSampler channelRange, numberRange, valueRange;
        velk::engine::FastMod blockModulus, extModulus;
        SRandom* generator;
        int generatorKind; // 0 C library, 1 Mersenne, 2 Park-Miller
        Route route[kSilentNoteOn + 1];
        bool direct; // every trigger makes one event
        DirectPlan plan;
        Route byStatus[256]; // the route of every event but a silent note-on, by status byte
        OffsetTable offsetTable;
    };
    void Snapshot();
    void Make(const Sources& from);

    // An event's status nibble, channel and data bytes (masked to 7 bits), in one word.
    class Bytes {
    public:
        explicit Bytes(const midievent& event) : word(event.Word() & 0x7F7FFFu) {}
        Bytes(int status, int channel, int data1, int data2)
            : word((status & 0xF0u) | (channel & 0x0Fu) | (data1 & 0x7Fu) << 8 |
                   (data2 & 0x7Fu) << 16) {}
        int StatusNibble() const { return static_cast<int>(word & 0xF0); }
        int Channel() const { return static_cast<int>(word & 0x0F); }
        int Data1() const { return static_cast<int>(word >> 8 & 0x7F); }
        int Data2() const { return static_cast<int>(word >> 16); }

    private:
        uint32_t word;
    };
    // The status and data bytes a trigger becomes.
    struct Message {
        int status, data1, data2;
    };

    void ServeRequests();
    template <class Fn> auto WithGenerator(Fn fn);
    template <class Random> void Drain(Random& g, bool offset);
    // Inline, as they are most of the work per event.
    template <class Random>
    [[gnu::always_inline]] int Classify(Random& g, const midievent& event, const Bytes& in,
                                        bool repeat, Message& out);
    template <class Random>
    [[gnu::always_inline]] Message RandomizeWith(Random& g, const Bytes& in);
    template <class Draws>
    [[gnu::always_inline]] static Message Randomized(const Settings& s, Draws& g, const Bytes& in);
    template <class Random> bool DrainDirect(Random& g, bool offset);
    template <class Random> struct DirectRuns;
    template <class Random, int Kind>
    bool DirectRun(Random& g, VstInt32 placeFrom, VstInt32 placeTo);
    template <class Random, int Kind>
    [[gnu::noinline]] uint32_t DirectTriggers(Random& g, uint32_t next, uint32_t last,
                                              VstInt32 placeTo, uint32_t inside, midievent*& out,
                                              bool& triggered);
    template <class Random>
    [[gnu::always_inline]] int OffsetWith(Random& g, const velk::engine::FastMod& modulus);
    [[gnu::always_inline]] void Echo(const midievent& event, const Bytes& in);
    int Offset(const velk::engine::FastMod& modulus);
    void PassThrough(midievent& event);
    void Emit(const midievent& event, VstInt32 delta, const Message& message);
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
    std::atomic<bool> requested{false}; // any of the three above
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
    int everyNthCounter = 0; // carries across blocks
    // The last frame of the block being processed (-1 without frames), and the
    // output slots [clampedBegin, clampedEnd) already placed inside it.
    VstInt32 blockLast = -1;
    int clampedBegin = 0, clampedEnd = 0;

    velk::math::random::generator::SRandomSTD randomSTD;
    velk::math::random::generator::SRandomMersenne randomMersenne;
    velk::math::random::generator::SRandomPM randomPM;
    std::atomic<SRandom*> generator;
};
