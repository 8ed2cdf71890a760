// What the live tool's tests share: the tool as a child process, a JACK server to run it on, and
// a probe client that feeds MIDI into the tool and reads what comes out.
#pragma once

#include <jack/jack.h>
#include <jack/midiport.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <glob.h>
#include <mutex>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "support/wait.h"

extern char** environ;

namespace livetest {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Generous: the sanitizer builds are slow to start.
constexpr milliseconds kStartLimit(20000);
constexpr milliseconds kExitLimit(10000);

struct Message {
    uint32_t frame;
    std::vector<uint8_t> bytes;
    bool operator==(const Message& other) const {
        return frame == other.frame && bytes == other.bytes;
    }
};

inline std::ostream& operator<<(std::ostream& out, const Message& message) {
    out << "@" << message.frame << ":";
    for (const uint8_t byte : message.bytes) out << " " << static_cast<int>(byte);
    return out;
}

inline std::string ReadText(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The program's full path, looked up in PATH; "" when it is not there.
inline std::string FindProgram(const std::string& name) {
    if (name.find('/') != std::string::npos) return name;
    const char* path = std::getenv("PATH");
    std::istringstream dirs(path != nullptr ? path : "/usr/bin:/bin");
    for (std::string dir; std::getline(dirs, dir, ':');) {
        if (access((dir + "/" + name).c_str(), X_OK) == 0) return dir + "/" + name;
    }
    return "";
}

inline bool JackdInstalled() {
    return !FindProgram("jackd").empty();
}

// Starts a program with extra environment variables ("NAME=VALUE", replacing the inherited
// ones) and its output in files ("" for /dev/null). Everything the child needs is built before
// fork: the test process has threads.
// `in`, when given, becomes the child's standard input.
inline pid_t Spawn(std::vector<std::string> argv, const std::vector<std::string>& env,
                   const std::string& out, const std::string& err, int in = -1) {
    argv[0] = FindProgram(argv[0]);
    std::vector<std::string> envp = env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        bool replaced = false;
        for (const std::string& own : env) {
            const size_t key = own.find('=') + 1;
            replaced |= entry.compare(0, key, own, 0, key) == 0;
        }
        if (!replaced) envp.push_back(entry);
    }
    std::vector<char*> argvp, envpp;
    for (std::string& a : argv) argvp.push_back(a.data());
    argvp.push_back(nullptr);
    for (std::string& e : envp) envpp.push_back(e.data());
    envpp.push_back(nullptr);
    const std::string outPath = out.empty() ? "/dev/null" : out;
    const std::string errPath = err.empty() ? "/dev/null" : err;
    const pid_t pid = fork();
    if (pid == 0) {
        if (in >= 0) dup2(in, STDIN_FILENO);
        dup2(open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDOUT_FILENO);
        dup2(open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDERR_FILENO);
        execve(argvp[0], argvp.data(), envpp.data());
        _exit(127);
    }
    return pid;
}

// The server scripts/with-jackd.sh started for the tests, or "" when there is none.
inline std::string TestServer() {
    const char* name = std::getenv("MORAVOX_JACK_SERVER");
    return name != nullptr ? name : "";
}

// A name no other test process uses at the same time.
inline std::string UniqueName(const std::string& stem) {
    static int counter = 0;
    return stem + "-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
}

// moravox-host with its standard output and error in files, and extra environment variables.
class ToolProcess {
public:
    ToolProcess(const std::vector<std::string>& args, const std::vector<std::string>& env) {
        char dir[] = "/tmp/moravox-live-XXXXXX";
        if (mkdtemp(dir) == nullptr) return;
        dir_ = dir;
        std::vector<std::string> argv{MORAVOX_HOST_TOOL};
        argv.insert(argv.end(), args.begin(), args.end());
        pid_ = Spawn(argv, env, OutPath(), ErrPath());
    }

    ~ToolProcess() {
        if (Running()) {
            kill(pid_, SIGKILL);
            Wait(kExitLimit);
        }
        unlink(OutPath().c_str());
        unlink(ErrPath().c_str());
        rmdir(dir_.c_str());
    }

    ToolProcess(const ToolProcess&) = delete;
    ToolProcess& operator=(const ToolProcess&) = delete;

    bool Started() const { return pid_ > 0; }
    bool Running() const { return pid_ > 0 && status_ == kRunning; }
    std::string Out() const { return ReadText(OutPath()); }
    // Without Berkeley DB's complaint ("BDB1539 Build signature doesn't match environment")
    // when a 32-bit libjack meets the metadata database of a 64-bit server: the i386 tests run
    // against the machine's one jackd, and the tool cannot silence that library.
    std::string Err() const {
        std::string kept;
        for (const std::string& line : Lines(ReadText(ErrPath()))) {
            if (line.compare(0, 3, "BDB") != 0) kept += line + "\n";
        }
        return kept;
    }

    // True once the tool has said it runs; false if it ended or the limit passed first.
    bool WaitUntilRunning(milliseconds limit = kStartLimit) {
        const Clock::time_point end = Clock::now() + limit;
        while (Clock::now() < end) {
            if (Out().find("frames per cycle") != std::string::npos) return true;
            if (!Poll()) return false;
            std::this_thread::sleep_for(milliseconds(20));
        }
        return false;
    }

    // The exit status (128 + N for signal N), or -1 if the tool is still running at the limit.
    int Wait(milliseconds limit = kExitLimit) {
        const Clock::time_point end = Clock::now() + limit;
        while (Poll() && Clock::now() < end) std::this_thread::sleep_for(milliseconds(10));
        return status_ == kRunning ? -1 : status_;
    }

    int Stop(int signal = SIGINT) {
        if (Running()) kill(pid_, signal);
        return Wait();
    }

private:
    static constexpr int kRunning = -1000;

    // False once the child has ended.
    bool Poll() {
        if (!Running()) return false;
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) != pid_) return true;
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return false;
    }

    std::string OutPath() const { return dir_ + "/out"; }
    std::string ErrPath() const { return dir_ + "/err"; }

    std::string dir_;
    pid_t pid_ = -1;
    int status_ = kRunning;
};

// Two JACK clients of the test's own: a feeder whose MIDI output plays into the tool, and a
// reader whose MIDI input takes what the tool sends, so that both sit on either side of the
// tool in one cycle. Events fed are written together in one cycle at their frames.
class JackProbe {
public:
    JackProbe(const std::string& server, const std::string& name) {
        // JACK's messages are kept for a failure report rather than printed.
        jack_set_error_function(&JackProbe::Note);
        jack_set_info_function([](const char*) {});
        feeder_ = Open(server, name + "-feed");
        reader_ = Open(server, name + "-read");
        if (feeder_ == nullptr || reader_ == nullptr) return;
        std::lock_guard<std::mutex> lock(mutex_);
        feedPort_ = jack_port_register(feeder_, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        readPort_ = jack_port_register(reader_, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        jack_set_process_callback(feeder_, &JackProbe::Feed, this);
        jack_set_process_callback(reader_, &JackProbe::Read, this);
        ok_ = feedPort_ != nullptr && readPort_ != nullptr && jack_activate(feeder_) == 0 &&
              jack_activate(reader_) == 0;
    }

    ~JackProbe() {
        for (jack_client_t* client : {feeder_, reader_}) {
            if (client != nullptr) jack_client_close(client);
        }
    }

    JackProbe(const JackProbe&) = delete;
    JackProbe& operator=(const JackProbe&) = delete;

    bool Ok() const { return ok_; }
    // What went wrong when not Ok: the open statuses and JACK's own messages.
    std::string Why() const {
        std::lock_guard<std::mutex> lock(NotesMutex());
        return why_ + Notes();
    }
    jack_client_t* Client() const { return feeder_; }
    std::string FeedPort() const { return jack_port_name(feedPort_); }
    std::string ReadPort() const { return jack_port_name(readPort_); }
    uint32_t Frames() const { return jack_get_buffer_size(feeder_); }

    bool Connect(const std::string& from, const std::string& to) {
        return jack_connect(feeder_, from.c_str(), to.c_str()) == 0;
    }

    // Names of the server's ports matching a regular expression.
    std::vector<std::string> Ports(const std::string& pattern) const {
        std::vector<std::string> names;
        const char** ports = jack_get_ports(feeder_, pattern.c_str(), nullptr, 0);
        for (size_t i = 0; ports != nullptr && ports[i] != nullptr; ++i) names.push_back(ports[i]);
        jack_free(ports);
        return names;
    }

    std::vector<std::string> Connections(const std::string& port) const {
        std::vector<std::string> names;
        jack_port_t* handle = jack_port_by_name(feeder_, port.c_str());
        const char** ports =
            handle != nullptr ? jack_port_get_all_connections(feeder_, handle) : nullptr;
        for (size_t i = 0; ports != nullptr && ports[i] != nullptr; ++i) names.push_back(ports[i]);
        jack_free(ports);
        return names;
    }

    // Messages in time order, all below Frames().
    void Send(const std::vector<Message>& messages) {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_.insert(pending_.end(), messages.begin(), messages.end());
    }

    // What arrived, once `count` messages have (or the limit passed).
    std::vector<Message> Receive(size_t count, milliseconds limit = kStartLimit) {
        const Clock::time_point end = Clock::now() + limit;
        for (;;) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (received_.size() >= count || Clock::now() >= end) return received_;
            }
            std::this_thread::sleep_for(milliseconds(10));
        }
    }

    // Watches for the feed port connected to `feedTo` and the read port to `readFrom`.
    void Watch(const std::string& feedTo, const std::string& readFrom) {
        std::lock_guard<std::mutex> lock(mutex_);
        feedTo_ = feedTo;
        readFrom_ = readFrom;
        feedLive_.store(false);
        readLive_.store(false);
    }
    // Whether both watched connections are in the graph the server runs now, as the ports'
    // own process callbacks see it: from then on what is sent goes through.
    bool Live() const { return feedLive_.load() && readLive_.load(); }

    void ClearReceived() {
        std::lock_guard<std::mutex> lock(mutex_);
        received_.clear();
    }

    // Feeds a note-on, again and again, until something comes back: a client's ports exist,
    // and connect, before its process callback first runs, and what is fed before that is
    // lost. Only for settings under which a note may move the generators. Leaves nothing
    // received behind.
    bool RoundTrips() {
        const bool through = support::Eventually(
            [&] {
                ClearReceived();
                Send({{0, {0x90, 60, 100}}});
                return !Receive(1, milliseconds(500)).empty();
            },
            kStartLimit);
        ClearReceived();
        return through;
    }

private:
    jack_client_t* Open(const std::string& server, const std::string& name) {
        jack_status_t status{};
        const jack_options_t options =
            static_cast<jack_options_t>(JackNoStartServer | JackServerName);
        jack_client_t* client = jack_client_open(name.c_str(), options, &status, server.c_str());
        if (client == nullptr) why_ += name + ": status 0x" + Hex(status) + "\n";
        return client;
    }
    static std::string Hex(unsigned value) {
        char text[16];
        std::snprintf(text, sizeof text, "%x", value);
        return text;
    }
    static std::mutex& NotesMutex() {
        static std::mutex mutex;
        return mutex;
    }
    static std::string& Notes() {
        static std::string notes;
        return notes;
    }
    static void Note(const char* message) {
        std::lock_guard<std::mutex> lock(NotesMutex());
        Notes() += std::string(message) + "\n";
    }

    static int Feed(jack_nframes_t frames, void* self) {
        JackProbe& probe = *static_cast<JackProbe*>(self);
        std::lock_guard<std::mutex> lock(probe.mutex_);
        void* buffer = jack_port_get_buffer(probe.feedPort_, frames);
        probe.feedLive_.store(!probe.feedTo_.empty() &&
                              jack_port_connected_to(probe.feedPort_, probe.feedTo_.c_str()));
        jack_midi_clear_buffer(buffer);
        for (const Message& message : probe.pending_) {
            jack_midi_event_write(buffer, message.frame, message.bytes.data(),
                                  message.bytes.size());
        }
        probe.pending_.clear();
        return 0;
    }

    static int Read(jack_nframes_t frames, void* self) {
        JackProbe& probe = *static_cast<JackProbe*>(self);
        std::lock_guard<std::mutex> lock(probe.mutex_);
        void* buffer = jack_port_get_buffer(probe.readPort_, frames);
        probe.readLive_.store(!probe.readFrom_.empty() &&
                              jack_port_connected_to(probe.readPort_, probe.readFrom_.c_str()));
        const uint32_t count = jack_midi_get_event_count(buffer);
        for (uint32_t i = 0; i < count; ++i) {
            jack_midi_event_t event;
            if (jack_midi_event_get(&event, buffer, i) != 0) continue;
            probe.received_.push_back(
                {event.time, std::vector<uint8_t>(event.buffer, event.buffer + event.size)});
        }
        return 0;
    }

    std::mutex mutex_; // everything the process callbacks touch
    jack_client_t* feeder_ = nullptr;
    jack_client_t* reader_ = nullptr;
    jack_port_t* feedPort_ = nullptr;
    jack_port_t* readPort_ = nullptr;
    std::vector<Message> pending_;
    std::vector<Message> received_;
    std::string feedTo_, readFrom_; // the watched ports
    std::atomic<bool> feedLive_{false};
    std::atomic<bool> readLive_{false};
    bool ok_ = false;
    std::string why_;
};

// A JACK server of a test's own, for the tests that take it away.
class PrivateServer {
public:
    PrivateServer() : name_(UniqueName("moravox-private")) {
        jack_set_error_function([](const char*) {});
        jack_set_info_function([](const char*) {});
        Start();
    }

    // A killed server leaves its slot in the machine's JACK server registry (which holds only a
    // few) and its files in /dev/shm; only a server of the same name reclaims them, so one is
    // started and stopped properly.
    ~PrivateServer() {
        Kill(SIGTERM);
        if (killed_) {
            Start();
            WaitUntilReady();
            Kill(SIGTERM);
        }
        // The semaphores of clients that were still there when the server went.
        glob_t found{};
        if (glob(("/dev/shm/jack_sem.*_" + name_ + "_*").c_str(), 0, nullptr, &found) == 0) {
            for (size_t i = 0; i < found.gl_pathc; ++i) unlink(found.gl_pathv[i]);
        }
        globfree(&found);
    }

    PrivateServer(const PrivateServer&) = delete;
    PrivateServer& operator=(const PrivateServer&) = delete;

    const std::string& Name() const { return name_; }

    // True once a client can connect.
    bool WaitUntilReady() {
        const Clock::time_point end = Clock::now() + kStartLimit;
        while (Clock::now() < end && pid_ > 0) {
            jack_status_t status{};
            const jack_options_t options =
                static_cast<jack_options_t>(JackNoStartServer | JackServerName);
            if (jack_client_t* client =
                    jack_client_open("moravox-ready", options, &status, name_.c_str())) {
                jack_client_close(client);
                return true;
            }
            std::this_thread::sleep_for(milliseconds(50));
        }
        return false;
    }

    void Kill(int signal) {
        if (pid_ <= 0) return;
        kill(pid_, signal);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
        killed_ |= signal == SIGKILL;
    }

private:
    void Start() {
        pid_ = Spawn({"jackd", "--no-realtime", "-n", name_, "-d", "dummy"},
                     {"JACK_NO_AUDIO_RESERVATION=1"}, "", "");
    }

    std::string name_;
    pid_t pid_ = -1;
    bool killed_ = false;
};

} // namespace livetest

// For the tests that need the server scripts/with-jackd.sh starts: they skip only where there is
// no jackd at all.
#define LIVE_REQUIRE_SERVER(server)                                                                \
    do {                                                                                           \
        server = livetest::TestServer();                                                           \
        if (server.empty()) {                                                                      \
            if (!livetest::JackdInstalled()) GTEST_SKIP() << "jackd is not installed";             \
            FAIL() << "no JACK server: run the tests under scripts/with-jackd.sh";                 \
        }                                                                                          \
    } while (false)
