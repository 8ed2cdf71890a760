// A small JSON writer: objects, arrays, strings, numbers, booleans and null, indented by two
// spaces. Texts from plug-ins may be any bytes; what is not UTF-8 is written as Latin-1.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace moravox::host {

class JsonWriter {
public:
    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    // The name of the next member of the open object.
    JsonWriter& Key(const std::string& name);
    JsonWriter& String(const std::string& value);
    JsonWriter& Number(int64_t value);
    JsonWriter& Bool(bool value);
    JsonWriter& Null();

    // The document, with a final newline once everything is closed.
    std::string Text() const;

    // The quoted, escaped form of a text.
    static std::string Quote(const std::string& text);

private:
    void BeforeValue();
    void Open(char bracket);
    void Close(char bracket);

    std::string text_;
    // Per open container: whether it has a member yet.
    std::vector<bool> filled_;
    bool afterKey_ = false;
};

} // namespace moravox::host
