#include "listing.hpp"

#include <string>

#include "console.hpp"
#include "json.hpp"

namespace quillet::tape_tool {
namespace {

const char* form_name(int kind) {
    return kind == QUILLET_TAPE_PMD ? "PMD image" : kind == QUILLET_TAPE_WAV ? "WAV recording" : "PTP image";
}

// The state of a file's data block in a word.
const char* data_state(const quillet_tape_entry& e) {
    if (!e.data_complete) return e.data_length == 0 ? "missing" : "short";
    return e.data_checksum_holds ? "ok" : "bad";
}

// The name of entry `index`, every byte its header stores.
std::string entry_name(const quillet_tape* tape, std::size_t index) {
    char name[QUILLET_TAPE_NAME_MAX];
    const long length = quillet_tape_entry_name(tape, index, name, sizeof name);
    return std::string(name, length > 0 ? static_cast<std::size_t>(length) : 0);
}

std::size_t file_count(const quillet_tape* tape) {
    std::size_t files = 0;
    quillet_tape_entry e;
    for (std::size_t i = 0; i < quillet_tape_entry_count(tape); ++i) {
        quillet_tape_entry_info(tape, i, &e);
        files += e.is_file ? 1 : 0;
    }
    return files;
}

}  // namespace

void print_listing(std::FILE* out, const quillet_tape* tape, const char* name) {
    const std::size_t files = file_count(tape);
    std::fprintf(out, "%s: %s, %zu %s\n", name, form_name(quillet_tape_kind(tape)), files,
                 files == 1 ? "file" : "files");
    std::fprintf(out, "No  Type  Start  Length  Name      Header  Data\n");
    quillet_tape_entry e;
    for (std::size_t i = 0; i < quillet_tape_entry_count(tape); ++i) {
        quillet_tape_entry_info(tape, i, &e);
        if (!e.is_file) {
            std::fprintf(out, "--  block of no file, %zu bytes\n", e.data_length);
            continue;
        }
        const char type = static_cast<char>(e.type);
        const std::string name = entry_name(tape, i);
        std::fprintf(out, "%02d  %-4s  %04X   %6zu  %-8s  %-6s  %s\n", e.number, common::shown_bytes(&type, 1).c_str(),
                     e.start, e.length, common::shown_bytes(name.data(), name.size()).c_str(),
                     e.header_checksum_holds ? "ok" : "bad", data_state(e));
    }
}

void print_json_listing(std::FILE* out, const quillet_tape* tape, const char* name, const char* problem) {
    std::fprintf(out, "{\"tape\": ");
    common::print_json_string(out, name);
    const int kind = quillet_tape_kind(tape);
    std::fprintf(out, ", \"form\": \"%s\", \"entries\": [", kind == QUILLET_TAPE_PMD ? "PMD" : kind == QUILLET_TAPE_WAV ? "WAV" : "PTP");
    quillet_tape_entry e;
    for (std::size_t i = 0; i < quillet_tape_entry_count(tape); ++i) {
        quillet_tape_entry_info(tape, i, &e);
        std::fprintf(out, "%s\n  {\"block\": %zu, \"position\": %zu, ", i ? "," : "", e.block, e.position);
        if (!e.is_file) {
            std::fprintf(out, "\"file\": false, \"length\": %zu}", e.data_length);
            continue;
        }
        const char type = static_cast<char>(e.type);
        std::fprintf(out, "\"file\": true, \"number\": %d, \"type\": ", e.number);
        common::print_json_bytes(out, &type, 1);
        std::fprintf(out, ", \"start\": %u, \"length\": %zu, \"name\": ", e.start, e.length);
        const std::string name = entry_name(tape, i);
        common::print_json_bytes(out, name.data(), name.size());
        std::fprintf(out, ", \"header_checksum\": %d, \"header_checksum_holds\": %s", e.header_checksum,
                     common::json_boolean(e.header_checksum_holds != 0));
        std::fprintf(out, ", \"data_length\": %zu, \"data_checksum\": ", e.data_length);
        if (e.data_checksum < 0) {
            std::fprintf(out, "null");
        } else {
            std::fprintf(out, "%d", e.data_checksum);
        }
        std::fprintf(out, ", \"data_checksum_holds\": %s}", common::json_boolean(e.data_checksum_holds != 0));
    }
    std::fprintf(out, "\n], \"problem\": ");
    if (problem) {
        common::print_json_string(out, problem);
    } else {
        std::fprintf(out, "null");
    }
    std::fprintf(out, "}\n");
}

}  // namespace quillet::tape_tool
