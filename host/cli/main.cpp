// moravox-host: loads a VST 2 plug-in through our own host, reports on it and renders MIDI
// files through it.
#include "host/cli/cli.h"

#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return moravox::host::RunCommandLine(args, std::cout, std::cerr, isatty(STDERR_FILENO) == 1);
}
