// Running moravox-host commands in-process on files in a private folder.
#pragma once

#include "host/cli/cli.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

class CliTest : public ::testing::Test {
protected:
    struct Outcome {
        int status = -1;
        std::string out;
        std::string err;
    };

    void SetUp() override {
        char name[] = "/tmp/moravox-cli-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir_ = name;
    }

    void TearDown() override {
        for (const std::string& file : Files()) unlink(Path(file).c_str());
        rmdir(dir_.c_str());
    }

    std::string Path(const std::string& name) const { return dir_ + "/" + name; }

    // Every file in the folder, temporary ones included.
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        if (DIR* folder = opendir(dir_.c_str())) {
            while (const dirent* entry = readdir(folder)) {
                const std::string name = entry->d_name;
                if (name != "." && name != "..") names.push_back(name);
            }
            closedir(folder);
        }
        return names;
    }

    static Outcome Run(const std::vector<std::string>& args) {
        std::ostringstream out, err;
        Outcome outcome;
        outcome.status = moravox::host::RunCommandLine(args, out, err);
        outcome.out = out.str();
        outcome.err = err.str();
        return outcome;
    }

    static std::vector<uint8_t> ReadBytes(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(file),
                                    std::istreambuf_iterator<char>());
    }

    static void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
        std::ofstream file(path, std::ios::binary);
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }

    static bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

    // The lines of a text, without their newlines.
    static std::vector<std::string> Lines(const std::string& text) {
        std::vector<std::string> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    std::string dir_;
};
