#include "info_run.hpp"

#include <cstdio>

#include "extraction.hpp"
#include "info_help.hpp"
#include "info_options.hpp"
#include "json_output.hpp"
#include "snapshot_summary.hpp"
#include "text_output.hpp"

namespace quillet::info {
namespace {

// Extraction of a snapshot that was read successfully; -x before -m.
int extract(const InfoOptions& options, const SnapshotSummary& summary) {
    if (options.extract_directory) {
        if (const int result = extract_pieces(summary, options.extract_directory)) return result;
    }
    if (options.memory_path) return write_memory_image(summary, options.memory_path);
    return 0;
}

// Reads, extracts and prints one file; returns its exit status. `printed`
// tells whether an earlier file printed something, and is set when this
// one does.
int inspect_file(const InfoOptions& options, const char* path, bool* printed) {
    SnapshotSummary summary;
    int code = gather_summary(path, &summary);
    const bool readable = code == 0;
    if (readable) code = extract(options, summary);
    const int status = -code;

    if (options.json) {
        if (*printed) std::fputs(",\n", stdout);
        if (readable) {
            print_summary_json(stdout, summary, status);
        } else {
            print_failure_json(stdout, path, status);
        }
        *printed = true;
    } else if (readable) {
        if (*printed) std::fputs("\n", stdout);
        print_summary_text(stdout, summary);
        *printed = true;
    }
    std::fflush(stdout);
    release_summary(&summary);
    return status;
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

}  // namespace

int run_info(int argument_count, char** argument_vector) {
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
    case PARSE_RUN:
        break;
    }
    return inspect_files(options);
}

}  // namespace quillet::info
