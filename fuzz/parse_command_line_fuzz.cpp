// parse_command_line on arbitrary argument vectors.
//
// The input is split at NUL bytes into the arguments (the first piece is the
// program name, as in a real argument vector); each argument is a heap block
// of exactly its size plus the terminator. The result must be 0, the usage
// request or a failure the parser documents, the record must hold only
// values in their ranges, and releasing it must free everything.
#include <cstdint>
#include <cstring>
#include <vector>

#include "command_line.hpp"
#include "fuzz_check.hpp"

namespace {

using namespace quillet::cli;
using namespace quillet::common;

bool is_parse_result(int code) {
    switch (code) {
    case 0:
    case USAGE_REQUESTED:
    case QUILLET_ERR_OUT_OF_MEMORY:
    case ERR_BAD_COMBINATION:
    case QUILLET_ERR_MISSING_VALUE:
    case QUILLET_ERR_VALUE_RANGE:
    case ERR_NO_INPUT:
    case ERR_NO_OUTPUT:
    case ERR_SECOND_OUTPUT:
    case ERR_SECOND_ROM:
    case ERR_SECOND_TEMPLATE:
    case QUILLET_ERR_BAD_MODEL:
    case QUILLET_ERR_BAD_REGISTER:
    case QUILLET_ERR_BAD_PAGE:
    case QUILLET_ERR_BAD_MAPPER:
    case QUILLET_ERR_BAD_STATE:
        return true;
    default:
        return false;
    }
}

bool points_into(const char* text, const std::vector<char*>& arguments) {
    for (const char* argument : arguments) {
        if (text == argument) return true;
    }
    return false;
}

void check_request(const LoadRequest* r, const std::vector<char*>& arguments) {
    FUZZ_CHECK(points_into(r->text, arguments));
    if (r->page == REQUEST_AT_ADDRESS || r->page == REQUEST_HEX) {
        FUZZ_CHECK(r->address >= 0 && r->address <= 65535);
    } else {
        FUZZ_CHECK(r->page >= 0 && r->page < QUILLET_PAGE_COUNT);
        FUZZ_CHECK(r->address == NO_ADDRESS);
    }
}

void check_command_line(const CommandLine* c, const std::vector<char*>& arguments, int result) {
    for (const char* path : {c->output_path, c->template_path, c->rom_path}) {
        FUZZ_CHECK(!path || points_into(path, arguments));
    }
    FUZZ_CHECK(c->model >= 0 && c->model < QUILLET_MODEL_COUNT);
    FUZZ_CHECK(c->mapper_port == NOT_GIVEN || (c->mapper_port >= 0 && c->mapper_port <= 127));
    FUZZ_CHECK(c->mif85_mode == NOT_GIVEN || c->mif85_mode == 0 || c->mif85_mode == 1);
    FUZZ_CHECK(c->vcpu_interrupt == NOT_GIVEN || c->vcpu_interrupt == 0 || c->vcpu_interrupt == 1);
    for (int value : c->registers) {
        FUZZ_CHECK(value == NOT_GIVEN || (value >= 0 && value <= 65535));
    }
    const LoadRequest* last = nullptr;
    for (const LoadRequest* r = c->load_head; r; r = r->next) {
        check_request(r, arguments);
        last = r;
    }
    FUZZ_CHECK(c->load_tail == last);
    if (result == 0) {
        FUZZ_CHECK(c->output_path != nullptr);
        FUZZ_CHECK(c->template_path != nullptr || c->load_head != nullptr);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<char*> arguments;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= size; ++i) {
        if (i < size && data[i] != 0) continue;
        const std::size_t length = i - start;
        char* argument = new char[length + 1];
        std::memcpy(argument, data + start, length);
        argument[length] = '\0';
        arguments.push_back(argument);
        start = i + 1;
    }
    std::vector<char*> vector = arguments;
    vector.push_back(nullptr);

    CommandLine* line = nullptr;
    const int result = parse_command_line(static_cast<int>(arguments.size()), vector.data(), &line, ReportSink{});
    FUZZ_CHECK(is_parse_result(result));
    FUZZ_CHECK(line != nullptr || result == QUILLET_ERR_OUT_OF_MEMORY);
    if (line) check_command_line(line, arguments, result);
    release_command_line(line);
    FUZZ_CHECK(line == nullptr);
    for (char* argument : arguments) delete[] argument;
    return 0;
}
