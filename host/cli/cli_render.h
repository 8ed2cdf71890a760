// moravox-host render: a MIDI file through the plug-in into another MIDI file.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace moravox::host {

// args[0] is "render". The progress bar goes to `err` only when `errIsTerminal`.
int RunRender(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              bool errIsTerminal);

// "12.5 s of music in 0.01 s" style summary of a render, as one line.
std::string RenderSummary(size_t eventsIn, size_t eventsOut, double musicSeconds,
                          double wallSeconds, const std::string& output);

} // namespace moravox::host
