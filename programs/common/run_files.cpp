#include "run_files.hpp"

#include <new>
#include <unordered_map>

#include "quillet/quillet_tools.h"

namespace quillet::common {
namespace {

// The key of `path`; running out of memory ends the run as any allocation
// that fails does.
std::string key_of(const char* path) {
    const long length = quillet_file_key(path, nullptr, 0);
    if (length == QUILLET_ERR_OUT_OF_MEMORY) throw std::bad_alloc();
    if (length <= 0) return "";
    std::string key(static_cast<std::size_t>(length) + 1, '\0');
    const long written = quillet_file_key(path, &key[0], key.size());
    if (written == QUILLET_ERR_OUT_OF_MEMORY) throw std::bad_alloc();
    if (written != length) return "";
    key.resize(static_cast<std::size_t>(length));
    return key;
}

}  // namespace

RunFile RunFiles::file(const char* role, const char* path) const { return RunFile{role, path, place_, key_of(path)}; }

void RunFiles::input(const char* role, const char* path) {
    if (path && std::string(path) != "-") inputs_.push_back(file(role, path));
}

void RunFiles::add_output(const char* role, const char* path, Kind kind, const char* source_role) {
    if (path) outputs_.push_back(Output{file(role, path), kind, source_role ? source_role : ""});
}

void RunFiles::output(const char* role, const char* path) { add_output(role, path, Kind::plain, nullptr); }

void RunFiles::snapshot_output(const char* role, const char* path, const char* source_role) {
    add_output(role, path, Kind::snapshot, source_role);
}

void RunFiles::shared_output(const char* role, const char* path) { add_output(role, path, Kind::shared, nullptr); }

bool RunFiles::check(UsageError usage_error) const {
    std::string message, detail;
    if (!find_problem(&message, &detail)) return true;
    usage_error(message.c_str(), detail.c_str());
    return false;
}

bool RunFiles::find_problem(std::string* message, std::string* detail) const {
    // Each file by its key, so that every output is held against all the
    // others in one pass. A file read twice (every case reads SNAPSHOT) is
    // one entry per role.
    std::unordered_multimap<std::string, const RunFile*> inputs;
    std::unordered_map<std::string, const Output*> outputs;
    for (const RunFile& in : inputs_) {
        if (in.key.empty()) continue;
        bool known = false;
        const auto same = inputs.equal_range(in.key);
        for (auto it = same.first; it != same.second && !known; ++it) known = it->second->role == in.role;
        if (!known) inputs.emplace(in.key, &in);
    }
    for (const Output& out : outputs_) {
        if (out.file.key.empty()) continue;
        const auto same = inputs.equal_range(out.file.key);
        for (auto it = same.first; it != same.second; ++it) {
            const RunFile& in = *it->second;
            if (out.kind == Kind::snapshot && in.role == out.source_role) continue;
            *message = out.file.named() + " '" + out.file.path + "' would replace the input " + in.named();
            *detail = in.path;
            return true;
        }
        const auto earlier = outputs.find(out.file.key);
        if (earlier == outputs.end()) {
            outputs.emplace(out.file.key, &out);
            continue;
        }
        const Output& before = *earlier->second;
        if (out.kind == Kind::shared && before.kind == Kind::shared && out.file.role == before.file.role) continue;
        *message = "two outputs name one file: " + before.file.named() + " '" + before.file.path + "' and " +
                   out.file.named();
        *detail = out.file.path;
        return true;
    }
    return false;
}

}  // namespace quillet::common
