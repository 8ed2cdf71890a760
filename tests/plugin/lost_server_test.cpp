// The X server the library connected to at load goes away while a host keeps using the
// plug-in: the host must live on, and the plug-in must go on processing.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "plugin_test_util.h"
#include "engine/program/parameter_table.h"

using namespace velk::engine; // the parameter names

namespace {

using Clock = std::chrono::steady_clock;

int failures = 0;

// The child reports through its standard error, which the parent shows on failure.
void Say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    vfprintf(stderr, format, args);
    va_end(args);
    fputc('\n', stderr);
    fflush(stderr);
}

void Check(bool ok, const char* what) {
    if (ok) return;
    failures++;
    Say("FAILED: %s", what);
}

// An Xvfb that picks its own free display; the number once it accepts clients, or -1.
int StartServer(pid_t& pid) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    pid = fork();
    if (pid == 0) {
        // A child that dies early must not leave its server behind.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        close(fds[0]);
        const int quiet = open("/dev/null", O_RDWR);
        dup2(quiet, STDIN_FILENO);
        dup2(quiet, STDOUT_FILENO);
        dup2(quiet, STDERR_FILENO);
        const std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "640x480x24",
               "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    const auto end = Clock::now() + std::chrono::seconds(20);
    while (number.find('\n') == std::string::npos && Clock::now() < end) {
        pollfd p = {fds[0], POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        char chunk[32];
        const ssize_t got = read(fds[0], chunk, sizeof(chunk));
        if (got <= 0) break;
        number.append(chunk, static_cast<size_t>(got));
    }
    close(fds[0]);
    return number.find('\n') == std::string::npos ? -1 : atoi(number.c_str());
}

VstMidiEvent NoteOn(int note) {
    VstMidiEvent event{};
    event.type = kVstMidiType;
    event.byteSize = sizeof(VstMidiEvent);
    event.midiData[0] = static_cast<char>(0x90);
    event.midiData[1] = static_cast<char>(note);
    event.midiData[2] = 100;
    return event;
}

// Everything a host does with the plug-in after the server died; 0 when all answers were sane.
int ChildOutlivesItsServer() {
    // As many hosts leave it: a write to the dead socket must not end the process.
    signal(SIGPIPE, SIG_DFL);
    sigset_t pipeSet;
    sigemptyset(&pipeSet);
    sigaddset(&pipeSet, SIGPIPE);
    sigprocmask(SIG_UNBLOCK, &pipeSet, nullptr);

    pid_t server = -1;
    const int number = StartServer(server);
    if (number < 0) {
        Say("Xvfb did not start");
        return 3;
    }
    const std::string name = ":" + std::to_string(number);
    setenv("DISPLAY", name.c_str(), 1);
    Say("step: load on %s", name.c_str());
    auto library = std::make_unique<moravox::host::PluginLibrary>(MORAVOX_PLUGIN_PATH);
    if (!library->Loaded()) {
        Say("%s", library->Error().c_str());
        return 4;
    }
    auto first = std::make_unique<moravox::host::Host>(*library);
    if (!first->Instantiate()) {
        Say("%s", first->Error().c_str());
        return 5;
    }
    first->Open();
    first->Resume();

    Say("step: kill the server");
    kill(server, SIGKILL);
    // Its lock file and socket stay behind: the next Xvfb on that number clears them itself,
    // while removing them here could hit those of a server started meanwhile.
    waitpid(server, nullptr, 0);

    Say("step: newer program chunk");
    void* data = nullptr;
    const VstIntPtr size = first->Dispatch(effGetChunk, 1, 0, &data);
    Check(size == 220 && data != nullptr, "the program chunk is 220 bytes");
    std::vector<unsigned char> newer(221, 0);
    if (data != nullptr && size == 220) memcpy(newer.data(), data, 220);
    Check(first->Dispatch(effSetChunk, 1, 221, newer.data()) == 1, "a newer chunk loads");

    Say("step: process");
    std::vector<float> silence(256), left(256), right(256);
    float* in[] = {silence.data(), silence.data()};
    float* out[] = {left.data(), right.data()};
    first->ClearCalls();
    for (int block = 0; block < 4; block++) {
        first->SendMidi({NoteOn(60 + block)});
        first->ProcessReplacing(in, out, 256);
    }
    size_t sent = 0;
    for (const moravox::host::HostCall& call : first->Calls(audioMasterProcessEvents))
        sent += call.midi.size();
    Check(sent > 0, "note-ons give MIDI out");

    Say("step: parameters");
    first->SetParameter(P_CHANNEL_MAX, 7.0f / 15);
    first->SetParameter(P_VALUE_MAX, 100.0f / 127);
    Check(std::fabs(first->GetParameter(P_CHANNEL_MAX) - 7.0f / 15) < 1e-6f, "parameter 5 reads back");
    Check(std::fabs(first->GetParameter(P_VALUE_MAX) - 100.0f / 127) < 1e-6f, "parameter 11 reads back");

    Say("step: editor");
    const VstIntPtr opened =
        first->Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(uintptr_t{0x2a00007}));
    Say("effEditOpen answered %ld", static_cast<long>(opened));
    first->Dispatch(effEditIdle);
    first->Dispatch(effEditClose);

    Say("step: second instance");
    auto second = std::make_unique<moravox::host::Host>(*library);
    Check(second->Instantiate(), "a second instance starts");
    second->Open();
    second->Resume();
    second->SendMidi({NoteOn(64)});
    second->ProcessReplacing(in, out, 256);
    Check(second->CallCount(audioMasterProcessEvents) > 0, "the second instance processes");

    Say("step: close and unload");
    first.reset();
    second.reset();
    library.reset();
    Say("step: done");
    return failures == 0 ? 0 : 2;
}

std::string Describe(int status) {
    std::ostringstream text;
    if (WIFSIGNALED(status))
        text << "killed by signal " << WTERMSIG(status) << " (" << strsignal(WTERMSIG(status))
             << ")";
    else
        text << "exited with " << WEXITSTATUS(status);
    return text.str();
}

TEST(LostServer, HostOutlivesTheLoadTimeConnection) {
    char log[] = "/tmp/moravox-lost-server-XXXXXX";
    const int logFd = mkstemp(log);
    ASSERT_GE(logFd, 0);
    // The child holds the write end of this pipe until it ends: its end wakes the poll.
    int alive[2];
    ASSERT_EQ(pipe2(alive, O_CLOEXEC), 0); // not held by what the child starts
    fflush(nullptr);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(alive[0]);
        dup2(logFd, STDERR_FILENO);
        _exit(ChildOutlivesItsServer());
    }
    close(alive[1]);
    close(logFd);
    pollfd ended = {alive[0], POLLIN, 0};
    const bool hung = poll(&ended, 1, 60000) == 0;
    close(alive[0]);
    if (hung) kill(child, SIGKILL);
    int status = 0;
    const pid_t reaped = waitpid(child, &status, 0);
    std::ifstream file(log);
    const std::string printed((std::istreambuf_iterator<char>(file)), {});
    unlink(log);
    ASSERT_EQ(reaped, child);
    ASSERT_FALSE(hung) << "the child hung; it printed:\n" << printed;
    EXPECT_EQ(Describe(status), "exited with 0") << "the child printed:\n" << printed;
    // The message box of the newer chunk still reaches the user.
    EXPECT_NE(printed.find("Failed to load program"), std::string::npos) << printed;
    EXPECT_EQ(printed.find("XOpenDisplay failed"), std::string::npos) << printed;
}

} // namespace
