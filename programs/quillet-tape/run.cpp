#include "run.hpp"

#include <cctype>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "console.hpp"
#include "file_reading.hpp"
#include "quillet/quillet_tools.h"
#include "failures.hpp"
#include "listing.hpp"
#include "monitor_load.hpp"
#include "options.hpp"
#include "output_files.hpp"
#include "owned_snapshot.hpp"
#include "run_files.hpp"

namespace quillet::tape_tool {
namespace {

struct TapeFree {
    void operator()(quillet_tape* tape) const { quillet_tape_free(tape); }
};
using OwnedTape = std::unique_ptr<quillet_tape, TapeFree>;

// A new tape whose failures are printed.
OwnedTape new_tape() {
    OwnedTape tape(quillet_tape_new());
    if (tape) quillet_tape_set_reporter(tape.get(), common::print_report, nullptr);
    return tape;
}

int status_of(int code) { return code < 0 ? -code : code; }

int out_of_memory() {
    common::print_failure(quillet_message(QUILLET_ERR_OUT_OF_MEMORY));
    return status_of(QUILLET_ERR_OUT_OF_MEMORY);
}

// A header name from a file's path: its last component without the
// extension, in capitals, cut to 8 characters.
std::string default_name(const char* path) {
    std::string name = path;
    const std::size_t slash = name.find_last_of("/\\");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (name.size() > QUILLET_TAPE_NAME_MAX) name.resize(QUILLET_TAPE_NAME_MAX);
    return name;
}

// The bytes of the binary `path` as loaded at `address`, the file opened
// once (a pipe read to its end): one that does not fit below 0x10000 is
// refused as quillet refuses it (-8, naming the file), by its size before
// a regular file is read.
int read_binary(const Binary& binary, std::vector<std::uint8_t>* data) {
    const std::size_t room = static_cast<std::size_t>(QUILLET_ADDRESS_SPACE - binary.address);
    const int read = common::read_image_file(binary.path, room, [](std::size_t) { return true; }, data);
    if (read != 0) return status_of(read);
    if (data->empty()) {
        print_usage_error("empty FILE", binary.path);
        return USAGE_ERROR_STATUS;
    }
    return 0;
}

int make_tape(const TapeOptions& options) {
    OwnedTape tape = new_tape();
    if (!tape) return out_of_memory();
    for (std::size_t i = 0; i < options.binaries.size(); ++i) {
        const Binary& binary = options.binaries[i];
        std::vector<std::uint8_t> data;
        if (const int status = read_binary(binary, &data)) return status;
        const std::string name = i < options.names.size() ? options.names[i] : default_name(binary.path);
        const int number = options.first_number + static_cast<int>(i);
        // More than a file on tape holds is refused naming the FILE, not
        // the name it would have had there.
        std::size_t most = QUILLET_ADDRESS_SPACE - static_cast<std::size_t>(binary.address);
        if (most > QUILLET_TAPE_DATA_MAX) most = QUILLET_TAPE_DATA_MAX;
        if (data.size() > most) {
            return status_of(common::report_failure(common::CONSOLE_FAILURES, QUILLET_ERR_SOURCE_TOO_LONG, binary.path,
                                                    static_cast<int>(most)));
        }
        // The library's words for a bad name are replaced by ones that
        // point to the option.
        quillet_tape_set_reporter(tape.get(), nullptr, nullptr);
        const int added = quillet_tape_add_file(tape.get(), number, options.type, binary.address, name.c_str(),
                                                data.data(), data.size());
        quillet_tape_set_reporter(tape.get(), common::print_report, nullptr);
        if (added == QUILLET_ERR_BAD_TAPE_FIELD) {
            print_usage_error(i < options.names.size() ? "give a NAME of 8 printable ASCII characters at most: --name"
                                                       : "give the FILE a name of 8 printable ASCII characters with --name:",
                              i < options.names.size() ? name.c_str() : binary.path);
            return USAGE_ERROR_STATUS;
        }
        if (added < 0) {
            common::print_failure(quillet_tape_last_message(tape.get()));
            return status_of(added);
        }
    }
    return status_of(quillet_tape_write_file(tape.get(), options.pmd ? QUILLET_TAPE_PMD : QUILLET_TAPE_PTP, options.output));
}

// The pieces -x writes: NN-NAME.bin for each file, NN-block.bin for each
// block of no file.
std::vector<common::DirectoryFile> extracted_pieces(const quillet_tape* tape) {
    std::vector<common::DirectoryFile> files;
    quillet_tape_entry e;
    for (std::size_t i = 0; i < quillet_tape_entry_count(tape); ++i) {
        quillet_tape_entry_info(tape, i, &e);
        std::string name = (i + 1 < 10 ? "0" : "") + std::to_string(i + 1) + "-";
        if (!e.is_file) {
            name += "block";
        } else {
            char stored[QUILLET_TAPE_NAME_MAX];
            const long length = quillet_tape_entry_name(tape, i, stored, sizeof stored);
            for (long c = 0; c < length; ++c) {
                name += std::isalnum(static_cast<unsigned char>(stored[c])) || stored[c] == '-' ? stored[c] : '_';
            }
            if (length <= 0) name += "file";
        }
        common::DirectoryFile file{name + ".bin", std::vector<std::uint8_t>(e.data_length)};
        quillet_tape_entry_data(tape, i, file.data.data(), file.data.size());
        files.push_back(std::move(file));
    }
    return files;
}

// The folder DIR would be made in, when DIR is not there and neither is
// that folder: "" otherwise. The pieces' own names are not to blame then.
std::string missing_parent(const char* directory) {
    std::string path = directory;
    while (path.size() > 1 && (path.back() == '/' || path.back() == '\\')) path.pop_back();
    if (quillet_entry_kind(path.c_str()) != QUILLET_ENTRY_NONE) return "";
    const std::size_t slash = path.find_last_of("/\\");
    if (slash == std::string::npos || slash == 0) return "";
    std::string parent = path.substr(0, slash);
    if (parent.back() == ':') return "";  // a drive's root
    return quillet_entry_kind(parent.c_str()) == QUILLET_ENTRY_NONE ? parent : "";
}

// Writes the pieces into DIR, all or none. Their names come from the tape,
// so that they are held against TAPE once it is read: a piece never
// replaces it.
int extract(const quillet_tape* tape, const TapeOptions& options) {
    const std::vector<common::DirectoryFile> pieces = extracted_pieces(tape);
    common::RunFiles files;
    files.input("TAPE", options.tape);
    for (const common::DirectoryFile& piece : pieces) {
        files.output("-x", common::path_in_directory(options.output, piece.name).c_str());
    }
    if (!files.check(print_usage_error)) return USAGE_ERROR_STATUS;
    const std::string parent = missing_parent(options.output);
    if (!parent.empty()) {
        const std::string message = "Can't make the folder '" + std::string(options.output) + "': the folder '" +
                                    parent + "' that would hold it is not there!";
        common::print_failure(message.c_str());
        return status_of(QUILLET_ERR_OUTPUT_OPEN);
    }
    return status_of(common::write_into_directory(options.output, pieces, {}));
}

// Each ? file at its start, PC at the first one's start.
int write_snapshot(const quillet_tape* tape, const TapeOptions& options) {
    common::OwnedSnapshot snapshot;
    if (!snapshot.get()) return out_of_memory();
    quillet_set_reporter(snapshot.get(), common::print_report, nullptr);
    if (options.model >= 0) quillet_set_model(snapshot.get(), options.model);
    if (options.monitor) {
        if (const int status = load_through_monitor(tape, options, snapshot.get())) return status;
        return status_of(quillet_write_file(snapshot.get(), options.output, 0));
    }
    const int model = quillet_get_model(snapshot.get());
    bool first = true;
    quillet_tape_entry e;
    for (std::size_t i = 0; i < quillet_tape_entry_count(tape); ++i) {
        quillet_tape_entry_info(tape, i, &e);
        if (!e.is_file || e.type != QUILLET_TAPE_TYPE_MACHINE_CODE) continue;
        const unsigned long end = e.start + e.length;  // past the last byte
        const unsigned long block2 = QUILLET_BLOCK_2 * QUILLET_PAGE_SIZE;
        if (!quillet_model_stores_block2(model) && e.start < block2 + QUILLET_PAGE_SIZE && end > block2) {
            const std::string detail = "file " + std::string(e.number < 10 ? "0" : "") + std::to_string(e.number) +
                                       " lies in 0x8000-0xBFFF, which a snapshot of model " + quillet_model_name(model) +
                                       " does not hold; choose V2A, V3 or C2717 with --model:";
            print_usage_error(detail.c_str(), e.name);
            return USAGE_ERROR_STATUS;
        }
        std::vector<std::uint8_t> data(e.length);
        quillet_tape_entry_data(tape, i, data.data(), data.size());
        if (const int loaded = quillet_load_bytes(snapshot.get(), e.start, data.data(), data.size())) {
            return status_of(loaded);
        }
        if (first) quillet_set_register(snapshot.get(), QUILLET_REG_PC, e.start);
        first = false;
    }
    if (first) {
        print_usage_error("no machine-code (?) file on the tape", options.tape);
        return USAGE_ERROR_STATUS;
    }
    return status_of(quillet_write_file(snapshot.get(), options.output, 0));
}

// Prints a checksum that fails, which --ignore-checksums passes over.
void print_ignored(void*, int code, const char* message) {
    if (code == QUILLET_ERR_TAPE_CHECKSUM) std::fprintf(stderr, "%s: ignored: %s\n", PROGRAM_NAME, message);
}

// What keeps TAPE from being used: 0, or the exit status, reported.
int check_before_use(quillet_tape* tape, const TapeOptions& options) {
    if (!options.ignore_checksums) return status_of(quillet_tape_check(tape, options.tape));
    quillet_tape_set_reporter(tape, print_ignored, nullptr);
    const int problem = quillet_tape_check_ignoring_checksums(tape, options.tape, nullptr);
    quillet_tape_set_reporter(tape, common::print_report, nullptr);
    if (problem) common::print_failure(quillet_tape_last_message(tape));
    return status_of(problem);
}

// Reads TAPE and does what the options ask with it.
int use_tape(const TapeOptions& options) {
    OwnedTape tape = new_tape();
    if (!tape) return out_of_memory();
    if (const int read = quillet_tape_read_file(tape.get(), options.tape)) return status_of(read);
    if (options.mode == Mode::list) {
        // The listing first, then what keeps the tape from loading.
        quillet_tape_set_reporter(tape.get(), nullptr, nullptr);
        const int problem = quillet_tape_check(tape.get(), options.tape);
        if (options.json) {
            print_json_listing(stdout, tape.get(), options.tape, problem ? quillet_tape_last_message(tape.get()) : nullptr);
        } else {
            print_listing(stdout, tape.get(), options.tape);
        }
        std::fflush(stdout);
        if (problem) common::print_failure(quillet_tape_last_message(tape.get()));
        return status_of(problem);
    }
    if (const int problem = check_before_use(tape.get(), options)) return problem;
    switch (options.mode) {
    case Mode::extract: return extract(tape.get(), options);
    case Mode::snapshot: return write_snapshot(tape.get(), options);
    case Mode::wav: return status_of(quillet_tape_write_file(tape.get(), QUILLET_TAPE_WAV, options.output));
    default: return 0;
    }
}

// Every file the run reads and writes, so that no output replaces an
// input. The pieces -x writes are named after what the tape holds; their
// directory is the caller's.
common::RunFiles run_files(const TapeOptions& options) {
    common::RunFiles files;
    files.input("TAPE", options.tape);
    for (const Binary& binary : options.binaries) files.input("FILE", binary.path);
    files.input("--monitor", options.monitor);
    switch (options.mode) {
    case Mode::make: files.output("-o", options.output); break;
    case Mode::snapshot: files.output("--snapshot", options.output); break;
    case Mode::wav: files.output("--wav", options.output); break;
    default: break;
    }
    return files;
}

}  // namespace

int run_tape(int argument_count, char** argument_vector) {
    TapeOptions options;
    switch (parse_tape_options(argument_count, argument_vector, &options)) {
    case PARSE_SHOW_HELP: print_help(stdout); return 0;
    case PARSE_SHOW_VERSION: print_version(stdout); return 0;
    case PARSE_USAGE_ERROR: return USAGE_ERROR_STATUS;
    case PARSE_RUN: break;
    }
    if (!run_files(options).check(print_usage_error)) return USAGE_ERROR_STATUS;
    return options.mode == Mode::make ? make_tape(options) : use_tape(options);
}

}  // namespace quillet::tape_tool
