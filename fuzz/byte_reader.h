// Hands out a fuzz input piece by piece; past its end every read yields zeros,
// so any input, however short, is a complete script.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data(data), size(size) {}

    bool Empty() const { return position >= size; }
    size_t Remaining() const { return size - position; }

    uint8_t U8() { return position < size ? data[position++] : 0; }
    uint16_t U16() { return static_cast<uint16_t>(U8() | (U8() << 8)); }

    // Copies up to n bytes into target and returns how many there were.
    size_t Bytes(void* target, size_t n) {
        const size_t taken = n < Remaining() ? n : Remaining();
        if (taken > 0) memcpy(target, data + position, taken);
        position += taken;
        return taken;
    }

private:
    const uint8_t* data;
    size_t size;
    size_t position = 0;
};
