#include "run.hpp"

#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "console.hpp"
#include "coverage_summary.hpp"
#include "disassembly_listing.hpp"
#include "failures.hpp"
#include "file_reading.hpp"
#include "hex_dump.hpp"
#include "json_report.hpp"
#include "options.hpp"
#include "output_files.hpp"
#include "questions.hpp"
#include "run_files.hpp"
#include "text_report.hpp"

namespace quillet::info {
namespace {

constexpr int DIFFERENT_STATUS = 1;  // --diff: the snapshots differ
constexpr const char* ROM_FILE_NAME = "rom.bin";
constexpr const char* BLOCK_FILE_FORMAT = "block-%02d.bin";
constexpr int BLOCK_FILE_NAME_SIZE = 16;

// The whole 64 KB address space, blocks 0 to 3.
constexpr MemoryRange WHOLE_ADDRESS_SPACE = {ADDRESS_SPACE, 0, QUILLET_ADDRESS_SPACE - 1};

// The name of block `block`'s piece in -x's directory.
std::string block_file_name(int block) {
    char name[BLOCK_FILE_NAME_SIZE];
    std::snprintf(name, sizeof name, BLOCK_FILE_FORMAT, block);
    return name;
}

// -x: the ROM image, if any, as `directory`/rom.bin and each present block
// as `directory`/block-NN.bin (NN the two-digit index, 16384 bytes), all or
// none; the names of these pieces that this snapshot lacks, left by an
// earlier extraction, are removed. `directory` is created when it does not
// exist. Only those names inside it are written, and nothing that stands
// there and is no regular file is followed. Returns 0 or the code of the
// failure.
int extract_pieces(const SnapshotFacts& s, const char* directory) {
    std::vector<DirectoryFile> files;
    std::vector<std::string> stale;
    if (s.rom.present) {
        std::vector<std::uint8_t> rom(quillet_rom_length(s.snapshot));
        quillet_read_rom(s.snapshot, rom.data(), rom.size());
        files.push_back(DirectoryFile{ROM_FILE_NAME, std::move(rom)});
    } else {
        stale.emplace_back(ROM_FILE_NAME);
    }
    for (int block = 0; block < QUILLET_PAGE_COUNT; ++block) {
        const std::string name = block_file_name(block);
        if (!s.blocks[block].present) {
            stale.emplace_back(name);
            continue;
        }
        std::vector<std::uint8_t> page(QUILLET_PAGE_SIZE);
        quillet_read_page(s.snapshot, block, 0, page.data(), page.size());
        files.push_back(DirectoryFile{name, std::move(page)});
    }
    return write_into_directory(directory, files, stale);
}

// -m: `range` of memory, with zero bytes for absent blocks (and for block
// 2 of a model that does not store it), as the file `path`.
int write_memory_image(const SnapshotFacts& s, const char* path, const MemoryRange& range) {
    std::vector<std::uint8_t> memory(static_cast<std::size_t>(range.length()));
    if (range.space == ADDRESS_SPACE) {
        quillet_read_memory(s.snapshot, range.first, memory.data(), memory.size());
    } else {
        quillet_read_page(s.snapshot, range.space, static_cast<std::size_t>(range.first), memory.data(), memory.size());
    }
    return write_output(path, memory.data(), memory.size());
}

// What is known of one FILE: its summary, OTHER's for --diff, and the exit
// status so far.
struct Inspection {
    SnapshotFacts file{};
    SnapshotFacts other{};
    bool file_read = false;
    bool other_read = false;
    SnapshotDiff diff{};
    int status = 0;

    ~Inspection() {
        release_facts(&file);
        release_facts(&other);
    }
};

// The files a snapshot that was read successfully gives: -x, then -m, then
// --screen. Returns an exit status.
int write_outputs(const InfoOptions& options, const SnapshotFacts& summary) {
    std::vector<std::uint8_t> png;
    if (options.screen_path) {
        // Made before anything is written: a snapshot without video memory
        // leaves no file behind.
        const MemoryView view(summary.snapshot);
        const int status = screen_png(view, summary.path, options.palette, options.screen_scale, &png);
        if (status != 0) return status;
    }
    if (options.extract_directory) {
        if (const int code = extract_pieces(summary, options.extract_directory)) return -code;
    }
    if (options.memory_path) {
        const MemoryRange& range = options.memory_range_given ? options.memory_range : WHOLE_ADDRESS_SPACE;
        if (const int code = write_memory_image(summary, options.memory_path, range)) return -code;
    }
    if (options.screen_path) {
        return -write_output(options.screen_path, png.data(), png.size());
    }
    return 0;
}

// Reads FILE and OTHER, writes the files and compares; each step only when
// the ones before it succeeded.
void run_steps(const InfoOptions& options, const char* path, Inspection* in) {
    in->status = -gather_facts(path, &in->file);
    in->file_read = in->status == 0;
    if (in->status == 0 && options.diff_path) {
        in->status = -gather_facts(options.diff_path, &in->other);
        in->other_read = in->status == 0;
    }
    if (in->status == 0) in->status = write_outputs(options, in->file);
    if (in->other_read) {
        in->diff = compare_snapshots(in->file, in->other);
        if (in->status == 0 && !in->diff.same()) in->status = DIFFERENT_STATUS;
    }
}

std::vector<SearchMatches> all_matches(const InfoOptions& options, const MemoryView& view) {
    std::vector<SearchMatches> matches;
    for (const SearchPattern& pattern : options.finds) matches.push_back(find_bytes(view, pattern.bytes));
    return matches;
}

// The answers of --peek, --disassemble, --find and --diff, a blank line
// between two.
void print_answers_text(const InfoOptions& options, const Inspection& in) {
    const MemoryView view(in.file.snapshot);
    bool first = true;
    const auto next_answer = [&first]() {
        if (!first) std::fputs("\n", stdout);
        first = false;
    };
    for (const MemoryRange& range : options.peeks) {
        next_answer();
        print_hex_dump(stdout, view, range);
    }
    for (const MemoryRange& range : options.disassemblies) {
        next_answer();
        print_disassembly(stdout, view, range, &options.symbols);
    }
    const std::vector<SearchMatches> matches = all_matches(options, view);
    for (std::size_t i = 0; i < matches.size(); ++i) {
        next_answer();
        print_find_text(stdout, options.finds[i], matches[i]);
    }
    if (in.other_read) {
        next_answer();
        print_diff_text(stdout, in.file.path, in.other.path, in.diff);
    }
    if (options.coverage) {
        next_answer();
        const common::CoverageSummary summary = common::summarise_coverage(*options.coverage, options.symbols, view);
        std::printf("%s\n", common::coverage_summary_text(summary).c_str());
    }
}

void print_object_json(const InfoOptions& options, const Inspection& in) {
    print_summary_json_members(stdout, in.file, in.status);
    const MemoryView view(in.file.snapshot);
    if (!options.peeks.empty()) print_peek_json(stdout, view, options.peeks);
    if (!options.disassemblies.empty()) print_disassembly_json(stdout, view, options.disassemblies);
    if (!options.finds.empty()) print_find_json(stdout, options.finds, all_matches(options, view));
    if (options.diff_path) print_diff_json(stdout, options.diff_path, in.other_read ? &in.diff : nullptr);
    close_json_object(stdout);
}

// Reads, extracts and prints one file; returns its exit status. `printed`
// tells whether an earlier file printed something, and is set when this
// one does.
int inspect_file(const InfoOptions& options, const char* path, bool* printed) {
    Inspection in;
    run_steps(options, path, &in);
    if (options.json) {
        if (*printed) std::fputs(",\n", stdout);
        if (in.file_read) {
            print_object_json(options, in);
        } else {
            print_failure_json(stdout, path, in.status, in.file.detail);
        }
        *printed = true;
    } else if (in.file_read && options.answers_questions()) {
        print_answers_text(options, in);
        *printed = true;
    } else if (in.file_read) {
        if (*printed) std::fputs("\n", stdout);
        print_summary_text(stdout, in.file);
        *printed = true;
    }
    std::fflush(stdout);
    return in.status;
}

// Every file the run reads and writes; each output kind is named here.
// -x may write or remove each of its pieces' names.
common::RunFiles run_files(const InfoOptions& options) {
    common::RunFiles files;
    for (int i = 0; i < options.file_count; ++i) files.input("FILE", options.files[i]);
    files.input("--diff", options.diff_path);
    files.input("--coverage", options.coverage_path);
    if (options.extract_directory) {
        files.output("-x", path_in_directory(options.extract_directory, ROM_FILE_NAME).c_str());
        for (int block = 0; block < QUILLET_PAGE_COUNT; ++block) {
            files.output("-x", path_in_directory(options.extract_directory, block_file_name(block)).c_str());
        }
    }
    files.output("-m", options.memory_path);
    files.output("--screen", options.screen_path);
    return files;
}

int inspect_files(const InfoOptions& options) {
    const bool array = options.json && options.file_count > 1;
    if (array) std::fputs("[\n", stdout);
    int status = 0;
    bool printed = false;
    for (int i = 0; i < options.file_count; ++i) {
        const int file_status = inspect_file(options, options.files[i], &printed);
        if (status == 0) status = file_status;
    }
    if (options.json) std::fputs(array ? "\n]\n" : "\n", stdout);
    return status;
}

int inspect(int argument_count, char** argument_vector) {
    InfoOptions options;
    switch (parse_info_options(argument_count, argument_vector, &options)) {
    case PARSE_SHOW_HELP:
        print_help(stdout);
        return 0;
    case PARSE_SHOW_VERSION:
        print_version(stdout);
        return 0;
    case PARSE_USAGE_ERROR:
        return USAGE_ERROR_STATUS;
    case PARSE_FILE_FAILURE:
        return options.failure_status;
    case PARSE_RUN:
        break;
    }
    if (!run_files(options).check(print_usage_error)) return USAGE_ERROR_STATUS;
    common::Coverage coverage;
    if (options.coverage_path) {
        std::string text;
        if (const int code = common::read_text_file(options.coverage_path, &text)) return -code;
        const std::string problem = coverage.add_text(options.coverage_path, text);
        if (!problem.empty()) {
            print_usage_error(problem.c_str(), nullptr);
            return USAGE_ERROR_STATUS;
        }
        options.coverage = &coverage;
    }
    return inspect_files(options);
}

}  // namespace

int run_info(int argument_count, char** argument_vector) {
    // The one place where an allocation that failed by throwing ends the
    // run: the files written so far are whole or absent, and the failure is
    // reported as every other allocation failure is.
    try {
        return inspect(argument_count, argument_vector);
    } catch (const std::bad_alloc&) {
        return -common::report_failure(common::CONSOLE_FAILURES, QUILLET_ERR_OUT_OF_MEMORY);
    }
}

}  // namespace quillet::info
