#include "driver/run.hpp"

#include <cstdio>

#include "driver/failure.hpp"
#include "driver/options.hpp"
#include "driver/usage.hpp"
#include "image/memory_loading.hpp"
#include "snapshot/snapshot_saving.hpp"
#include "snapshot/template_loading.hpp"

namespace quillet {

const char* const BANNER = "Quillet " QUILLET_VERSION " - ZVK snapshot builder for PMD 85 emulators\n\n";

namespace {

// The phases after option parsing; the first non-zero code ends them.
int build_snapshot(BuildContext* context) {
    if (const int result = ensure_buffer(context->header, HEADER_BUFFER_SIZE)) return result;
    if (context->template_path) {
        std::printf("Loading template Snapshot `%s`\n", context->template_path);
        if (const int result = load_template(context)) return result;
    }
    if (const int result = assemble_memory(context)) return result;
    std::printf("Saving final Snapshot `%s`\n", context->output_path);
    // The snapshot itself may go to standard output (-o /dev/stdout): what
    // was printed so far comes before it.
    std::fflush(stdout);
    return save_snapshot(context);
}

}  // namespace

int run_quillet(int argument_count, char** argument_vector) {
    std::fputs(BANNER, stdout);
    BuildContext* context = nullptr;
    int code = USAGE_REQUESTED;
    if (argument_count > 1) {
        code = parse_command_line(argument_count, argument_vector, &context);
        if (code == 0) code = build_snapshot(context);
    }
    if (code == USAGE_REQUESTED) {
        print_usage();
        code = 0;
    } else if (code == 0) {
        std::fputs("\n", stdout);
    }
    release_context(context);
    return -code;
}

}  // namespace quillet
