// Small helpers for reading the kernel's text files.
#pragma once

#include <cstddef>

namespace velk {
namespace system {

// Reads at most capacity bytes of the file into buffer and terminates the text
// (buffer must hold capacity + 1 bytes). Returns the number of bytes read, or
// -1 when the file cannot be opened.
long ReadTextFile(const char* path, char* buffer, std::size_t capacity);

// Parses the decimal number at the start of text ("2.6.32" gives 2.6),
// independently of the process locale, which a host may have changed.
// Leading blanks are skipped. Returns false when no digit starts the text.
bool ParseLeadingDecimal(const char* text, double* value);

// Appends source to the terminated text in buffer (size bytes with the
// terminator), cutting what does not fit.
void AppendCut(char* buffer, std::size_t size, const char* source);

} // namespace system
} // namespace velk
