// The gui command's input and output: commands read line by line on standard input, each
// answered with one line of JSON, and the report written when the session ends.
//
//   params           the plug-in's parameters 0..20 as getParameter reads them
//   set I V          setParameter(I, V) from this thread, as host automation does
//   program N        select program N from this thread
//   midi             what the plug-in sent since the start, by kind
//   state            whether the editor is open, where the panel is, our window's size
//   open, close      open or close the editor on the GUI thread
//   shot FILE        a PNG of our window
//   quit             end the session
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "host/gui_session.h"

namespace moravox::host {

namespace {

// Panel parameters seen by the host, and those only the panel uses.
constexpr VstInt32 kReportedParameters = 21;

std::string Number(double value) {
    char text[32];
    snprintf(text, sizeof(text), "%.9g", value);
    return text;
}

std::string Ok(bool ok) {
    return ok ? "{\"ok\":1}" : "{\"ok\":0}";
}

} // namespace

std::string GuiSession::ParametersArray() {
    std::string json = "[";
    for (VstInt32 index = 0; index < kReportedParameters; index++) {
        if (index) json += ',';
        json += Number(host_ ? host_->GetParameter(index) : 0.0f);
    }
    return json + "]";
}

std::string GuiSession::ParametersJson() {
    return "{\"params\":" + ParametersArray() + "}";
}

std::string GuiSession::MidiObject() {
    const MidiCounts& m = midi_;
    std::ostringstream json;
    json << "{\"note_on\":" << m.noteOn << ",\"note_off\":" << m.noteOff
         << ",\"cc\":" << m.controlChange << ",\"pc\":" << m.programChange << ",\"bend\":" << m.bend
         << ",\"panic\":" << m.panic << ",\"other\":" << m.other
         << ",\"automated\":" << (host_ ? host_->CallCount(audioMasterAutomate) : 0) << "}";
    return json.str();
}

std::string GuiSession::MidiJson() {
    return "{\"midi\":" + MidiObject() + "}";
}

std::string GuiSession::StateJson() {
    Display* d = editorDisplay_ ? editorDisplay_ : display_;
    int panelX = -1, panelY = -1;
    Window child = 0;
    const Window panel = d ? PanelWindow() : 0;
    if (panel)
        x_.XTranslateCoordinates(d, panel, x_.XDefaultRootWindow(d), 0, 0, &panelX, &panelY,
                                 &child);
    XWindowAttributes top{};
    if (d && top_) x_.XGetWindowAttributes(d, top_, &top);
    std::ostringstream json;
    json << "{\"state\":{\"model\":" << options_.hostModel << ",\"open\":" << (editorOpen_ ? 1 : 0)
         << ",\"panel\":" << panel << ",\"panel_at\":[" << panelX << ',' << panelY << "],\"top\":["
         << top.width << ',' << top.height << "],\"procedure\":" << (procedure_ ? 1 : 0) << "}}";
    return json.str();
}

void GuiSession::ReadCommands() {
    std::string buffer;
    while (!stop_) {
        pollfd input = {STDIN_FILENO, POLLIN, 0};
        if (poll(&input, 1, 100) <= 0) continue;
        char chunk[512];
        const ssize_t got = read(STDIN_FILENO, chunk, sizeof(chunk));
        if (got <= 0) {
            // End of input ends a session that has no time limit.
            if (options_.seconds <= 0) Quit();
            (void)!write(wakePipe_[1], "q", 1);
            return;
        }
        buffer.append(chunk, static_cast<size_t>(got));
        size_t end;
        while ((end = buffer.find('\n')) != std::string::npos) {
            std::istringstream line(buffer.substr(0, end));
            buffer.erase(0, end + 1);
            std::string command;
            line >> command;
            if (command.empty()) continue;
            if (command == "params") {
                Say(ParametersJson());
            } else if (command == "set") {
                VstInt32 index = -1;
                float value = 0.0f;
                const bool ok = static_cast<bool>(line >> index >> value);
                if (ok) host_->SetParameter(index, value);
                Say(Ok(ok));
            } else if (command == "program") {
                VstIntPtr program = -1;
                const bool ok = static_cast<bool>(line >> program);
                if (ok) host_->Dispatch(effSetProgram, 0, program);
                Say(Ok(ok));
            } else if (command == "midi") {
                Say(MidiJson());
            } else if (command == "state") {
                std::string state;
                OnGuiThread([&] { state = StateJson(); });
                Say(state);
            } else if (command == "open" || command == "close") {
                bool ok = true;
                OnGuiThread([&] {
                    if (command == "open")
                        ok = OpenEditor();
                    else
                        CloseEditor();
                });
                Say(Ok(ok));
            } else if (command == "shot") {
                std::string path;
                line >> path;
                bool ok = false;
                OnGuiThread([&] { ok = !path.empty() && Screenshot(path); });
                Say(Ok(ok));
            } else if (command == "quit") {
                Quit();
                (void)!write(wakePipe_[1], "q", 1);
                Say(Ok(true));
                return;
            } else {
                Say("{\"error\":\"unknown command\"}");
            }
        }
    }
}

void GuiSession::Report() {
    std::vector<double> reopen = reopenMs_;
    std::sort(reopen.begin(), reopen.end());
    std::ostringstream json;
    json << "{\"report\":{\"model\":" << options_.hostModel
         << ",\"first_open_ms\":" << Number(firstOpenMs_)
         << ",\"reopen_ms\":{\"count\":" << reopen.size();
    if (!reopen.empty())
        json << ",\"min\":" << Number(reopen.front())
             << ",\"median\":" << Number(reopen[reopen.size() / 2])
             << ",\"max\":" << Number(reopen.back());
    json << "},\"windows\":[" << windowsFirst_ << ',' << windowsLast_ << "],\"rss_kb\":["
         << rssFirstKb_ << ',' << rssLastKb_ << "],\"sanitized\":" << (kSanitized ? 1 : 0)
         << ",\"params\":" << ParametersArray() << ",\"midi\":" << MidiObject() << "}}";
    Say(json.str());
}

} // namespace moravox::host
