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
//   remove           close the editor and the plug-in, and take its window away
//   add              a new instance with its editor open, in the first free place
//   quit             end the session
//
// Each acts on instance 0; prefixed with @K ("@1 set 0 0.5") on instance K, numbered from 0
// in the order made and never reused. With a prefix, state also tells which instance it is,
// our window and where it is, and the editor's window in it whether shown or not.
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "host/gui/gui_session.h"

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

const char kNoInstance[] = "{\"error\":\"no such instance\"}";

std::string ParametersArray(Host* host) {
    std::string json = "[";
    for (VstInt32 index = 0; index < kReportedParameters; index++) {
        if (index) json += ',';
        json += Number(host ? host->GetParameter(index) : 0.0f);
    }
    return json + "]";
}

std::string MidiObject(const MidiCounts& m, Host* host) {
    std::ostringstream json;
    json << "{\"note_on\":" << m.noteOn << ",\"note_off\":" << m.noteOff
         << ",\"cc\":" << m.controlChange << ",\"pc\":" << m.programChange << ",\"bend\":" << m.bend
         << ",\"panic\":" << m.panic << ",\"other\":" << m.other
         << ",\"automated\":" << (host ? host->CallCount(audioMasterAutomate) : 0) << "}";
    return json.str();
}

// "@K" as instance K; false when the word is no such prefix.
bool ParseSelector(const std::string& word, int& number) {
    if (word.size() < 2 || word[0] != '@' || word.size() > 4) return false;
    number = 0;
    for (size_t i = 1; i < word.size(); i++) {
        if (word[i] < '0' || word[i] > '9') return false;
        number = number * 10 + (word[i] - '0');
    }
    return true;
}

} // namespace

std::string GuiSession::Command(int number, bool selected, const std::string& command,
                                std::istream& line) {
    std::string answer = kNoInstance;
    // These run on this thread, as a host's automation does.
    auto here = [&](const std::function<std::string(GuiInstance&)>& work) {
        WithInstance(number, [&](GuiInstance* instance) {
            if (instance) answer = work(*instance);
        });
        return answer;
    };
    auto there = [&](const std::function<std::string(GuiInstance&)>& work) {
        OnGuiThread([&] {
            if (GuiInstance* instance = Find(number)) answer = work(*instance);
        });
        return answer;
    };
    if (command == "params")
        return here(
            [](GuiInstance& i) { return "{\"params\":" + ParametersArray(i.GetHost()) + "}"; });
    if (command == "set") {
        VstInt32 index = -1;
        float value = 0.0f;
        const bool ok = static_cast<bool>(line >> index >> value);
        return here([&](GuiInstance& i) {
            if (ok) i.GetHost()->SetParameter(index, value);
            return Ok(ok);
        });
    }
    if (command == "program") {
        VstIntPtr program = -1;
        const bool ok = static_cast<bool>(line >> program);
        return here([&](GuiInstance& i) {
            if (ok) i.GetHost()->Dispatch(effSetProgram, 0, program);
            return Ok(ok);
        });
    }
    if (command == "midi")
        return here(
            [](GuiInstance& i) { return "{\"midi\":" + MidiObject(i.Midi(), i.GetHost()) + "}"; });
    if (command == "state")
        return there([&](GuiInstance& i) { return "{\"state\":" + i.StateObject(selected) + "}"; });
    if (command == "open") return there([](GuiInstance& i) { return Ok(i.OpenEditor()); });
    if (command == "close")
        return there([](GuiInstance& i) {
            i.CloseEditor();
            return Ok(true);
        });
    if (command == "shot") {
        std::string path;
        line >> path;
        return there([&](GuiInstance& i) { return Ok(!path.empty() && i.Screenshot(path)); });
    }
    if (command == "remove") {
        OnGuiThread([&] {
            if (!Find(number)) return;
            RemoveInstance(number);
            answer = Ok(true);
        });
        return answer;
    }
    if (command == "add") {
        answer = Ok(false);
        OnGuiThread([&] {
            if (instances_.size() >= static_cast<size_t>(kMaxInstances)) return;
            GuiInstance* added = AddInstance();
            if (!added) return;
            if (!added->OpenEditor()) {
                RemoveInstance(added->Number());
                return;
            }
            WaitForPanel(*added);
            answer = "{\"ok\":1,\"instance\":" + std::to_string(added->Number()) + "}";
        });
        return answer;
    }
    return "{\"error\":\"unknown command\"}";
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
            int number = 0;
            const bool selected = command[0] == '@';
            if (selected && !(ParseSelector(command, number) && line >> command)) {
                Say(kNoInstance);
                continue;
            }
            if (command == "quit") {
                Quit();
                (void)!write(wakePipe_[1], "q", 1);
                Say(Ok(true));
                return;
            }
            Say(Command(number, selected, command, line));
        }
    }
}

void GuiSession::Report() {
    // The first instance still there: instance 0 unless it was removed.
    GuiInstance* first = instances_.empty() ? nullptr : instances_.front().get();
    static const MidiCounts none;
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
         << ",\"params\":" << ParametersArray(first ? first->GetHost() : nullptr) << ",\"midi\":"
         << (first ? MidiObject(first->Midi(), first->GetHost()) : MidiObject(none, nullptr));
    // Several instances made: each one still there, in the order made.
    if (nextNumber_ > 1) {
        json << ",\"instances\":[";
        for (size_t i = 0; i < instances_.size(); i++) {
            GuiInstance& instance = *instances_[i];
            json << (i ? "," : "") << "{\"instance\":" << instance.Number()
                 << ",\"params\":" << ParametersArray(instance.GetHost())
                 << ",\"midi\":" << MidiObject(instance.Midi(), instance.GetHost()) << '}';
        }
        json << ']';
    }
    json << "}}";
    Say(json.str());
}

} // namespace moravox::host
