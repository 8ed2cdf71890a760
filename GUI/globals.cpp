#include "GUI/globals.h"

#include <cstring>
#include <string>

#include "engine/random/seed.h"
#include "system/thread.h"

SGlobals::SGlobals() {
    velk::threading::SThread::Sleep(3);
    random.Seed(velk::math::random::generator::ClockSeed());
}

void SGlobals::SetBinaryData() {
    fileName = velk::data::datastring<32, char>();
    fileFolder = velk::data::datastring<32, char>();
    if (!filePath || !*filePath) return;
    const char* path = *filePath;
    const char* slash = strrchr(path, '/');
    const char* base = slash ? slash + 1 : path;
    if (slash) {
        const std::string folder(path, static_cast<size_t>(slash - path));
        fileFolder.Append(folder.c_str());
    }
    fileName.Append(base);
}
