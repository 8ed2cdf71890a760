#include "host/live/live_command.h"

#include "host/cli/cli_common.h"
#include "host/live/jack_client.h"
#include "host/live/live_gui.h"
#include "host/live/live_options.h"
#include "host/live/live_plugin.h"
#include "host/live/live_processor.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <future>
#include <memory>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <thread>
#include <unistd.h>

namespace moravox::host {
namespace {

// How long a cycle in progress may take to end once the tool stops.
constexpr std::chrono::milliseconds kStopLimit(2000);
// How long libjack may take to close the client.
constexpr std::chrono::milliseconds kCloseLimit(5000);

// The signals that stop the tool, blocked for the calling thread and every thread started
// after it (JACK's, the plug-in's), and read through a descriptor instead. The old mask comes
// back at the end.
class StopSignals {
public:
    StopSignals() {
        sigemptyset(&set_);
        for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&set_, signal);
        pthread_sigmask(SIG_BLOCK, &set_, &old_);
        fd_ = signalfd(-1, &set_, SFD_CLOEXEC | SFD_NONBLOCK);
    }
    // Takes the signals that stopped the tool first: unblocked while still pending, they would
    // end the process with their default action.
    ~StopSignals() {
        if (fd_ >= 0) close(fd_);
        const timespec none{0, 0};
        while (sigtimedwait(&set_, nullptr, &none) > 0) {
        }
        pthread_sigmask(SIG_SETMASK, &old_, nullptr);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    int Fd() const { return fd_; }

private:
    sigset_t set_{};
    sigset_t old_{};
    int fd_ = -1;
};

void WaitForStop(const std::vector<int>& stopFds) {
    std::vector<pollfd> fds;
    for (const int fd : stopFds) fds.push_back({fd, POLLIN, 0});
    while (poll(fds.data(), fds.size(), -1) < 0 && errno == EINTR) {
    }
}

// libjack's close cancels and joins its process thread, which, once the server is gone, waits
// for good on a semaphore nobody posts; a cancel that misses would hang the tool. False when the
// close did not end within `limit`: the client and the plug-in are then left to the exit.
bool CloseWithin(JackClient& jack, std::chrono::milliseconds limit) {
    std::promise<void> closed;
    std::future<void> done = closed.get_future();
    std::thread closer([&jack, &closed] {
        jack.Close();
        closed.set_value();
    });
    if (done.wait_for(limit) != std::future_status::ready) {
        closer.detach();
        return false;
    }
    closer.join();
    return true;
}

void WarnAboutLosses(const LiveLosses& losses, std::ostream& err) {
    if (losses.input > 0) {
        err << "moravox-host: warning: " << losses.input
            << " input events were not passed to the plug-in (not short MIDI messages, or more "
               "than "
            << LiveProcessor::kMaxEvents << " in one cycle)\n";
    }
    if (losses.output > 0) {
        err << "moravox-host: warning: " << losses.output
            << " events from the plug-in did not reach the MIDI output\n";
    }
}

} // namespace

int RunLive(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    LiveOptions options;
    std::string error;
    if (!ParseLiveOptions(args, options, error)) return UsageError(error, err);
    const StopSignals signals; // before any thread exists
    if (signals.Fd() < 0) return Fail(err, kExitFailure, "cannot watch for Ctrl-C");

    // Declared so that the client goes first and the plug-in last.
    LivePlugin plugin(options.plugin);
    std::unique_ptr<LiveProcessor> processor;
    JackClient jack;
    if (!plugin.Instantiate()) return Fail(err, kExitBadInput, plugin.Error());
    if (!jack.Open(options.jackName, error)) return Fail(err, kExitFailure, error);
    const uint32_t frames = jack.BufferSize();
    plugin.Open(static_cast<float>(jack.SampleRate()), static_cast<VstInt32>(frames));
    const int status = ApplyLiveSettings(plugin, options, err);
    if (status != kExitOk) return status;
    processor = std::make_unique<LiveProcessor>(plugin, frames);
    plugin.Resume();
    if (!jack.Activate(*processor, error)) return Fail(err, kExitFailure, error);
    if (options.autoconnect) {
        for (const std::string& line : jack.ConnectPhysicalMidi()) {
            out << "moravox-host: " << line << "\n";
        }
    }
    out << "moravox-host: JACK client '" << jack.Name() << "' running at " << jack.SampleRate()
        << " Hz, " << frames << " frames per cycle; Ctrl-C stops it" << std::endl;

    const std::vector<int> stopFds{signals.Fd(), jack.ServerGoneFd()};
    PanelEnd end = PanelEnd::Unavailable;
    if (options.gui) end = RunPanelWindow(plugin, jack.Name(), stopFds, err);
    if (end == PanelEnd::Unavailable) WaitForStop(stopFds);

    if (!jack.Stop(kStopLimit)) {
        // The plug-in is stuck in a cycle: closing it now would pull it from under that cycle.
        err << "moravox-host: the plug-in did not finish its processing cycle; exiting without "
               "closing it"
            << std::endl;
        std::_Exit(kExitFailure);
    }
    const bool serverGone = jack.ServerGone();
    const std::string reason = jack.ServerGoneReason();
    const std::string gone =
        "the JACK server went away" + (reason.empty() ? "" : " (" + reason + ")");
    if (!CloseWithin(jack, kCloseLimit)) {
        err << "moravox-host: " << (serverGone ? gone : "the JACK client did not close")
            << "; exiting without closing the plug-in" << std::endl;
        std::_Exit(kExitFailure);
    }
    WarnAboutLosses(processor->Losses(), err);
    processor.reset();
    plugin.Suspend();
    plugin.Close();
    if (serverGone) return Fail(err, kExitFailure, gone);
    return kExitOk;
}

} // namespace moravox::host
