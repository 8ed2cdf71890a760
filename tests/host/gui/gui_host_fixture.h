// Drives `moravox-host gui` as a user would: a private X server per test, real pointer
// and key input through XTest, and the host's command channel to read parameters and
// MIDI counts back.
#pragma once

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "support/wait.h"

namespace guihost {

using Clock = std::chrono::steady_clock;

// Reads one line from fd within the time limit; false on timeout or end of file.
inline bool ReadLine(int fd, std::string& buffer, std::string& line, int timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const size_t at = buffer.find('\n');
        if (at != std::string::npos) {
            line = buffer.substr(0, at);
            buffer.erase(0, at + 1);
            return true;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        if (left <= 0) return false;
        pollfd p = {fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
        char chunk[4096];
        const ssize_t got = read(fd, chunk, sizeof(chunk));
        if (got <= 0) return false;
        buffer.append(chunk, static_cast<size_t>(got));
    }
}

// An Xvfb of our own, on whatever display number is free.
class PrivateServer {
public:
    ~PrivateServer() { Stop(); }

    bool Start() {
        int fds[2];
        if (pipe(fds) != 0) return false;
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            const int quiet = open("/dev/null", O_WRONLY);
            dup2(quiet, STDERR_FILENO);
            dup2(quiet, STDOUT_FILENO);
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "640x480x24",
                   "-nolisten", "tcp", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string buffer, number;
        const bool ok = ReadLine(fds[0], buffer, number, 15000);
        close(fds[0]);
        if (!ok || number.empty()) return false;
        name_ = ":" + number;
        display_ = XOpenDisplay(name_.c_str());
        return display_ != nullptr;
    }

    void Stop() {
        if (display_) XCloseDisplay(display_);
        display_ = nullptr;
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
    }

    Display* D() const { return display_; }
    const std::string& Name() const { return name_; }

private:
    pid_t pid_ = -1;
    std::string name_;
    Display* display_ = nullptr;
};

// The first number after "key": in a line of JSON; NaN when absent.
inline double Field(const std::string& json, const std::string& key) {
    const size_t at = json.find("\"" + key + "\":");
    if (at == std::string::npos) return std::nan("");
    size_t from = at + key.size() + 3;
    if (json[from] == '[') from++;
    return strtod(json.c_str() + from, nullptr);
}

// The numbers of the array after "key":.
inline std::vector<double> Array(const std::string& json, const std::string& key) {
    std::vector<double> values;
    size_t at = json.find("\"" + key + "\":[");
    if (at == std::string::npos) return values;
    const char* p = json.c_str() + at + key.size() + 4;
    while (*p && *p != ']') {
        char* end = nullptr;
        values.push_back(strtod(p, &end));
        p = end;
        if (*p == ',') p++;
    }
    return values;
}

// One moravox-host gui process with its command channel.
class GuiHost {
public:
    ~GuiHost() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        for (int fd : {in_, out_, err_})
            if (fd >= 0) close(fd);
    }

    // Starts the host and reads its first state line.
    bool Start(const std::string& display, const std::vector<std::string>& options) {
        int in[2], out[2], err[2];
        if (pipe(in) || pipe(out) || pipe(err)) return false;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], STDIN_FILENO);
            dup2(out[1], STDOUT_FILENO);
            dup2(err[1], STDERR_FILENO);
            for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
            setenv("DISPLAY", display.c_str(), 1);
            std::vector<std::string> args = {MORAVOX_HOST_TOOL, "gui", MORAVOX_PLUGIN_PATH};
            args.insert(args.end(), options.begin(), options.end());
            std::vector<char*> argv;
            for (std::string& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        close(err[1]);
        in_ = in[1];
        out_ = out[0];
        err_ = err[0];
        if (!Line(state_, 20000)) return false;
        panel_ = static_cast<Window>(Field(state_, "panel"));
        const std::vector<double> at = Array(state_, "panel_at");
        if (at.size() != 2) return false;
        x_ = static_cast<int>(at[0]);
        y_ = static_cast<int>(at[1]);
        return panel_ != 0;
    }

    bool Line(std::string& line, int timeoutMs = 10000) {
        return ReadLine(out_, outBuffer_, line, timeoutMs);
    }

    // Sends a command and returns its answer.
    std::string Ask(const std::string& command) {
        const std::string text = command + "\n";
        if (write(in_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) return "";
        std::string answer;
        return Line(answer) ? answer : "";
    }

    std::vector<double> Params() { return Array(Ask("params"), "params"); }
    double Param(int index) {
        const std::vector<double> all = Params();
        return index < static_cast<int>(all.size()) ? all[static_cast<size_t>(index)] : -1.0;
    }
    double Midi(const std::string& kind) { return Field(Ask("midi"), kind); }

    // Ends the input, waits for the exit and collects the rest of both outputs.
    int Finish(std::string& rest, std::string& errors, int timeoutMs = 60000) {
        close(in_);
        in_ = -1;
        std::string line;
        while (Line(line, timeoutMs)) rest += line + "\n";
        std::string buffer;
        while (ReadLine(err_, buffer, line, 1000)) errors += line + "\n";
        errors += buffer;
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    Window Panel() const { return panel_; }
    int X() const { return x_; }
    int Y() const { return y_; }
    const std::string& State() const { return state_; }

private:
    pid_t pid_ = -1;
    int in_ = -1, out_ = -1, err_ = -1;
    std::string outBuffer_;
    std::string state_;
    Window panel_ = 0;
    int x_ = 0, y_ = 0;
};

// Real input on the server: the pointer, its buttons and the keyboard.
class Input {
public:
    explicit Input(Display* display) : d_(display) {}

    void Move(int x, int y) {
        XTestFakeMotionEvent(d_, -1, x, y, CurrentTime);
        XSync(d_, False);
        Pause();
    }
    void Click(int x, int y, unsigned button = 1) {
        Move(x, y);
        XTestFakeButtonEvent(d_, button, True, CurrentTime);
        XTestFakeButtonEvent(d_, button, False, CurrentTime);
        XSync(d_, False);
        // Two presses closer than the double-click time would count as a double click.
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
    }
    void Wheel(int x, int y, bool up, int steps) {
        Move(x, y);
        for (int i = 0; i < steps; i++) {
            XTestFakeButtonEvent(d_, up ? 4 : 5, True, CurrentTime);
            XTestFakeButtonEvent(d_, up ? 4 : 5, False, CurrentTime);
            XSync(d_, False);
            Pause();
        }
    }
    // Presses at (x, y), moves down in steps of dy and releases.
    void Drag(int x, int y, int dy, int steps, unsigned button = 1) {
        Move(x, y);
        XTestFakeButtonEvent(d_, button, True, CurrentTime);
        XSync(d_, False);
        Pause();
        for (int i = 1; i <= steps; i++) Move(x, y + i * dy);
        XTestFakeButtonEvent(d_, button, False, CurrentTime);
        XSync(d_, False);
        Pause();
    }
    void Key(KeySym keysym) {
        const KeyCode code = XKeysymToKeycode(d_, keysym);
        XTestFakeKeyEvent(d_, code, True, CurrentTime);
        XTestFakeKeyEvent(d_, code, False, CurrentTime);
        XSync(d_, False);
        Pause();
    }

private:
    static void Pause() { std::this_thread::sleep_for(std::chrono::milliseconds(30)); }
    Display* d_;
};

using support::Eventually;

// The child of `parent` at this place and size, or 0.
inline Window ChildAt(Display* d, Window parent, int x, int y, int width, int height) {
    Window root = 0, up = 0, *children = nullptr;
    unsigned count = 0;
    Window found = 0;
    if (XQueryTree(d, parent, &root, &up, &children, &count)) {
        for (unsigned i = 0; i < count && !found; i++) {
            XWindowAttributes a;
            if (XGetWindowAttributes(d, children[i], &a) && a.x == x && a.y == y &&
                a.width == width && a.height == height)
                found = children[i];
        }
    }
    if (children) XFree(children);
    return found;
}

inline bool Viewable(Display* d, Window w) {
    XWindowAttributes a;
    return w && XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable;
}

inline unsigned long PixelAt(Display* d, Window w, int x, int y) {
    XImage* image = XGetImage(d, w, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return ~0ul;
    const unsigned long pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return pixel;
}

// A digest of a square of the window around (x, y): tells what is drawn there.
inline std::string Drawn(Display* d, Window w, int x, int y) {
    std::string digest;
    for (int dy = -4; dy <= 4; dy += 2)
        for (int dx = -4; dx <= 4; dx += 2)
            digest += std::to_string(PixelAt(d, w, x + dx, y + dy)) + ',';
    return digest;
}

// What is drawn around (x, y) once it is painted (not the black of a window not drawn yet)
// and two looks agree; empty if that never happens.
inline std::string Painted(Display* d, Window w, int x, int y) {
    std::string seen;
    Eventually([&] {
        const std::string first = Drawn(d, w, x, y);
        if (first.find_first_not_of("0,") == std::string::npos) return false;
        seen = Drawn(d, w, x, y);
        return seen == first;
    });
    return seen;
}

} // namespace guihost
