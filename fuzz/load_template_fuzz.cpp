// load_template on arbitrary file contents.
//
// Each input is written to one temporary file, read as the template of a
// fresh context, and the context released again (LeakSanitizer checks that
// nothing stays allocated). The result must be 0 or one of the codes that
// template loading documents; on success the context must hold what a
// valid snapshot promises.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "driver/failure.hpp"
#include "fuzz_check.hpp"
#include "image/build_context.hpp"
#include "snapshot/template_loading.hpp"

namespace {

std::string template_path;

void remove_template() {
    if (!template_path.empty()) unlink(template_path.c_str());
}

bool is_template_failure(int code) {
    switch (code) {
    case quillet::ERR_OUT_OF_MEMORY:
    case quillet::ERR_SOURCE_OPEN:
    case quillet::ERR_SOURCE_ACCESS:
    case quillet::ERR_SOURCE_READ:
    case quillet::ERR_BAD_HEADER:
    case quillet::ERR_BAD_VERSION:
    case quillet::ERR_UNKNOWN_MODEL:
    case quillet::ERR_BAD_BLOCK_SIZE:
        return true;
    default:
        return false;
    }
}

void check_loaded(const quillet::BuildContext* c) {
    FUZZ_CHECK(std::memcmp(c->header, quillet::MAGIC, quillet::MAGIC_SIZE) == 0);
    FUZZ_CHECK((c->rom_image != nullptr) == (c->rom_length > 0));
    FUZZ_CHECK(c->rom_length >= 0 && c->rom_length <= quillet::PAGE_SIZE);
    for (int i = 0; i < quillet::PAGE_COUNT; ++i) {
        FUZZ_CHECK(c->page_lengths[i] == (c->pages[i] ? quillet::PAGE_SIZE : 0));
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char name[] = "/tmp/quillet-fuzz-template-XXXXXX";
    const int fd = mkstemp(name);
    FUZZ_CHECK(fd >= 0);
    close(fd);
    template_path = name;
    std::atexit(remove_template);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(template_path.c_str(), "wb");
    FUZZ_CHECK(file != nullptr);
    FUZZ_CHECK(std::fwrite(data, 1, size, file) == size);
    FUZZ_CHECK(std::fclose(file) == 0);

    quillet::BuildContext* context = nullptr;
    FUZZ_CHECK(quillet::ensure_buffer(context, sizeof(quillet::BuildContext)) == 0);
    FUZZ_CHECK(quillet::ensure_buffer(context->header, quillet::HEADER_BUFFER_SIZE) == 0);
    context->template_path = template_path.c_str();

    const int result = quillet::load_template(context);
    FUZZ_CHECK(result == 0 || is_template_failure(result));
    if (result == 0) check_loaded(context);
    quillet::release_context(context);
    FUZZ_CHECK(context == nullptr);
    return 0;
}
