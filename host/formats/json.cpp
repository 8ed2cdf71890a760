#include "host/formats/json.h"

#include <cstdio>

namespace moravox::host {
namespace {

// The length of the valid UTF-8 sequence at `at`, or 0.
size_t Utf8Length(const std::string& text, size_t at) {
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    size_t length = 0;
    unsigned minimum = 0;
    unsigned code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, minimum = 0x80, code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, minimum = 0x800, code = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, minimum = 0x10000, code = lead & 0x07u;
    } else {
        return 0;
    }
    if (text.size() - at < length) return 0;
    for (size_t i = 1; i < length; ++i) {
        const unsigned char next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80) return 0;
        code = code << 6 | (next & 0x3Fu);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code < minimum || code > 0x10FFFF || surrogate ? 0 : length;
}

std::string Escaped(unsigned code) {
    char text[8];
    std::snprintf(text, sizeof text, "\\u%04x", code);
    return text;
}

} // namespace

std::string JsonWriter::Quote(const std::string& text) {
    std::string quoted = "\"";
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += static_cast<char>(c);
        } else if (c == '\n') {
            quoted += "\\n";
        } else if (c == '\t') {
            quoted += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            quoted += Escaped(c);
        } else if (c >= 0x80) {
            const size_t length = Utf8Length(text, i);
            if (length == 0) {
                quoted += Escaped(c); // a Latin-1 byte
                ++i;
            } else {
                quoted.append(text, i, length);
                i += length;
            }
            continue;
        } else {
            quoted += static_cast<char>(c);
        }
        ++i;
    }
    return quoted + "\"";
}

void JsonWriter::BeforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (filled_.empty()) return;
    text_ += filled_.back() ? ",\n" : "\n";
    filled_.back() = true;
    text_.append(filled_.size() * 2, ' ');
}

void JsonWriter::Open(char bracket) {
    BeforeValue();
    text_ += bracket;
    filled_.push_back(false);
}

void JsonWriter::Close(char bracket) {
    const bool filled = !filled_.empty() && filled_.back();
    if (!filled_.empty()) filled_.pop_back();
    if (filled) {
        text_ += '\n';
        text_.append(filled_.size() * 2, ' ');
    }
    text_ += bracket;
}

JsonWriter& JsonWriter::BeginObject() {
    Open('{');
    return *this;
}

JsonWriter& JsonWriter::EndObject() {
    Close('}');
    return *this;
}

JsonWriter& JsonWriter::BeginArray() {
    Open('[');
    return *this;
}

JsonWriter& JsonWriter::EndArray() {
    Close(']');
    return *this;
}

JsonWriter& JsonWriter::Key(const std::string& name) {
    BeforeValue();
    text_ += Quote(name) + ": ";
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::String(const std::string& value) {
    BeforeValue();
    text_ += Quote(value);
    return *this;
}

JsonWriter& JsonWriter::Number(int64_t value) {
    BeforeValue();
    text_ += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
    BeforeValue();
    text_ += value ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::Null() {
    BeforeValue();
    text_ += "null";
    return *this;
}

std::string JsonWriter::Text() const {
    return filled_.empty() ? text_ + "\n" : text_;
}

} // namespace moravox::host
