// Owned, growable, always NUL-terminated text, grown in fixed steps of N bytes.
#pragma once

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#ifndef VELK_PRINTF_FORMAT
#if defined(__GNUC__)
#define VELK_PRINTF_FORMAT(fmt, first) __attribute__((format(printf, fmt, first)))
#else
#define VELK_PRINTF_FORMAT(fmt, first)
#endif
#endif

namespace velk::data {

template <unsigned N, typename C = char> class datastring {
    static_assert(N > 0, "the growth step must be positive");
    static_assert(sizeof(C) == 1, "only byte-sized characters are supported");

public:
    datastring() : data(new C[N]()), capacity(N), length(1), step(N) {}

    // Formats at most maxLen - 1 characters; a zero maxLen or a null format gives "".
    datastring(unsigned maxLen, const char* format, ...) VELK_PRINTF_FORMAT(3, 4)
        : data(nullptr), capacity(RoundUp(maxLen)), length(1), step(N) {
        data = new C[capacity]();
        va_list args;
        va_start(args, format);
        length = 1 + Format(data, maxLen, format, args);
        va_end(args);
    }

    datastring(const datastring& other)
        : data(new C[other.capacity]), capacity(other.capacity), length(other.length), step(N) {
        std::memcpy(data, other.data, capacity);
    }

    // The source is left as a valid empty string, never with a null buffer.
    datastring(datastring&& other) : datastring() { Swap(other); }

    datastring& operator=(const datastring& other) {
        if (this != &other) {
            datastring copy(other);
            Swap(copy);
        }
        return *this;
    }

    datastring& operator=(datastring&& other) noexcept {
        Swap(other);
        return *this;
    }

    ~datastring() { delete[] data; }

    datastring& Append(const char* text) {
        if (text != nullptr) AppendBytes(text, std::strlen(text));
        return *this;
    }

    // A local buffer instead of one shared by all strings, so threads do not race on it.
    datastring& Append(char c) {
        const char text[2] = {c, '\0'};
        return Append(text);
    }

    datastring& Append(unsigned maxLen, const char* format, ...) VELK_PRINTF_FORMAT(3, 4) {
        if (format == nullptr || maxLen <= 1) return *this;
        va_list args;
        va_start(args, format);
        va_list measure;
        va_copy(measure, args);
        const int wanted = std::vsnprintf(nullptr, 0, format, measure);
        va_end(measure);
        if (wanted > 0) {
            // Through a temporary: the arguments may point into this very string.
            const size_t count = std::min<size_t>(static_cast<size_t>(wanted), maxLen - 1);
            std::vector<char> text(count + 1);
            std::vsnprintf(text.data(), text.size(), format, args);
            AppendBytes(text.data(), count);
        }
        va_end(args);
        return *this;
    }

    // Drops the text and starts over with a zero-filled buffer of at least n bytes.
    void Initialize(unsigned n) {
        const unsigned size = RoundUp(n);
        C* fresh = new C[size]();
        delete[] data;
        data = fresh;
        capacity = size;
        length = 1;
    }

    void Clear(bool shrink) {
        if (shrink && capacity > N) {
            C* fresh = new C[N]();
            delete[] data;
            data = fresh;
            capacity = N;
        }
        data[0] = '\0';
        length = 1;
    }

    // Splits on runs of delimiter characters, skipping empty tokens; appends each token to
    // out and returns how many were appended.
    unsigned Tokenize(std::vector<datastring>& out, const char* delimiters) const {
        if (delimiters == nullptr) delimiters = "";
        std::vector<char> copy(data, data + length);
        unsigned count = 0;
        char* state = nullptr;
        for (char* token = strtok_r(copy.data(), delimiters, &state); token != nullptr;
             token = strtok_r(nullptr, delimiters, &state)) {
            datastring piece;
            piece.Append(token);
            out.push_back(std::move(piece));
            ++count;
        }
        return count;
    }

    C* Text() { return data; }
    const C* Text() const { return data; }
    // Characters plus the terminating NUL: an empty string has length 1.
    unsigned Length() const { return length; }
    unsigned Capacity() const { return capacity; }
    unsigned Step() const { return step; }

private:
    // N bytes for anything up to N, otherwise the first multiple of N that holds `bytes`.
    static unsigned RoundUp(size_t bytes) {
        if (bytes <= N) return N;
        return static_cast<unsigned>((bytes + N - 1) / N * N);
    }

    // Largest text (NUL included) that keeps the capacity representable.
    static constexpr size_t kMaxBytes = UINT32_MAX / N * N;

    // Writes at most maxLen - 1 characters plus a NUL; returns the characters kept.
    static unsigned Format(C* buffer, unsigned maxLen, const char* format, va_list args) {
        if (maxLen == 0) return 0;
        buffer[0] = '\0';
        if (format == nullptr) return 0;
        const int wanted = std::vsnprintf(buffer, maxLen, format, args);
        if (wanted < 0) {
            buffer[0] = '\0';
            return 0;
        }
        const unsigned kept = std::min<unsigned>(static_cast<unsigned>(wanted), maxLen - 1);
        buffer[kept] = '\0';
        return kept;
    }

    // The old buffer is released only after the copy, so text may point into it.
    void AppendBytes(const char* text, size_t count) {
        const size_t need = length + count;
        if (count == 0 || need > kMaxBytes) return;
        if (need <= capacity) {
            std::memmove(data + length - 1, text, count);
        } else {
            const unsigned grown = RoundUp(need);
            C* fresh = new C[grown]();
            std::memcpy(fresh, data, length - 1);
            std::memcpy(fresh + length - 1, text, count);
            delete[] data;
            data = fresh;
            capacity = grown;
        }
        length = static_cast<unsigned>(need);
        data[length - 1] = '\0';
    }

    void Swap(datastring& other) noexcept {
        std::swap(data, other.data);
        std::swap(capacity, other.capacity);
        std::swap(length, other.length);
    }

    C* data;
    unsigned capacity;
    unsigned length;
    unsigned step;
};

} // namespace velk::data
