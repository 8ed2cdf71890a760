#include "host/formats/lv2_state.h"

#include <serd/serd.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>

#include "host/formats/file_io.h"

namespace moravox::host {

namespace {

constexpr const char* kBankUri = "https://moravox.org/lv2/moravox#bank";
constexpr const char* kProgramUri = "https://moravox.org/lv2/moravox#program";

struct Reading {
    SerdEnv* env;
    Lv2State* state;
    bool bankSeen = false;
    bool programSeen = false;
    std::string problem;
};

SerdStatus OnBase(void* handle, const SerdNode* uri) {
    return serd_env_set_base_uri(static_cast<Reading*>(handle)->env, uri);
}

SerdStatus OnPrefix(void* handle, const SerdNode* name, const SerdNode* uri) {
    return serd_env_set_prefix(static_cast<Reading*>(handle)->env, name, uri);
}

SerdStatus OnStatement(void* handle, SerdStatementFlags, const SerdNode*, const SerdNode*,
                       const SerdNode* predicate, const SerdNode* object, const SerdNode*,
                       const SerdNode*) {
    auto* r = static_cast<Reading*>(handle);
    SerdNode expanded = serd_env_expand_node(r->env, predicate);
    const SerdNode* key = expanded.buf ? &expanded : predicate;
    const std::string name(reinterpret_cast<const char*>(key->buf), key->n_bytes);
    serd_node_free(&expanded);
    if (object->type != SERD_LITERAL) return SERD_SUCCESS;
    if (name == kBankUri && !r->bankSeen) {
        size_t size = 0;
        void* bytes = serd_base64_decode(object->buf, object->n_bytes, &size);
        if (bytes && size > 0) {
            const auto* b = static_cast<const uint8_t*>(bytes);
            r->state->bank.assign(b, b + size);
            r->bankSeen = true;
        }
        serd_free(bytes);
    } else if (name == kProgramUri && !r->programSeen) {
        const std::string text(reinterpret_cast<const char*>(object->buf), object->n_bytes);
        char* end = nullptr;
        const long program = std::strtol(text.c_str(), &end, 10);
        if (end && *end == '\0' && !text.empty() && program >= 0 && program <= INT32_MAX) {
            r->state->program = static_cast<int32_t>(program);
            r->programSeen = true;
        }
    }
    return SERD_SUCCESS;
}

bool IsFolder(const std::string& path) {
    struct stat s = {};
    return stat(path.c_str(), &s) == 0 && S_ISDIR(s.st_mode);
}

} // namespace

bool IsLv2StatePath(const std::string& path) {
    if (IsFolder(path)) return true;
    return path.size() > 4 && path.compare(path.size() - 4, 4, ".ttl") == 0;
}

bool ReadLv2State(const std::string& path, Lv2State& state, std::string& error) {
    const std::string file = IsFolder(path) ? path + "/state.ttl" : path;
    std::vector<uint8_t> text;
    if (!ReadFileBytes(file, text, error)) return false;
    text.push_back('\0');

    state = Lv2State{};
    SerdNode base = serd_node_new_file_uri(reinterpret_cast<const uint8_t*>(file.c_str()),
                                           nullptr, nullptr, true);
    Reading reading{serd_env_new(&base), &state, false, false, {}};
    SerdReader* reader = serd_reader_new(SERD_TURTLE, &reading, nullptr, OnBase, OnPrefix,
                                         OnStatement, nullptr);
    serd_reader_set_strict(reader, true);
    // Serd reports syntax errors through this hook rather than on standard error.
    serd_reader_set_error_sink(
        reader,
        [](void* handle, const SerdError* e) {
            auto* r = static_cast<Reading*>(handle);
            if (r->problem.empty())
                r->problem = "line " + std::to_string(e->line) + ": not valid Turtle";
            return SERD_SUCCESS;
        },
        &reading);
    const SerdStatus status = serd_reader_read_string(reader, text.data());
    serd_reader_free(reader);
    serd_env_free(reading.env);
    serd_node_free(&base);
    if (status != SERD_SUCCESS || !reading.problem.empty()) {
        error = file + ": " + (reading.problem.empty() ? "not valid Turtle" : reading.problem);
        return false;
    }
    if (!reading.bankSeen) {
        error = file + ": no Moravox bank (" + kBankUri + ") in this state";
        return false;
    }
    return true;
}

} // namespace moravox::host
