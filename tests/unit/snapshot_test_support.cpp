#include "unit/snapshot_test_support.hpp"

#include <gtest/gtest.h>

#include <cstring>

namespace quillet_test {

Bytes ascending(int count, int start) {
    Bytes bytes(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(start + i);
    return bytes;
}

ContextHolder::ContextHolder() {
    using namespace quillet;
    if (ensure_buffer(context_, sizeof(BuildContext)) != 0) {
        ADD_FAILURE() << "no memory for the context";
        return;
    }
    context_->model = MODEL_V2A;
    context_->mapper_port = NOT_GIVEN;
    context_->mif85_mode = NOT_GIVEN;
    context_->vcpu_interrupt = NOT_GIVEN;
    for (int& reg : context_->registers) reg = REGISTER_NOT_GIVEN;
    if (ensure_buffer(context_->header, HEADER_BUFFER_SIZE) != 0) ADD_FAILURE() << "no header buffer";
}

ContextHolder::~ContextHolder() { quillet::release_context(context_); }

void ContextHolder::set_page(int page, const Bytes& content) {
    ASSERT_EQ(content.size(), static_cast<std::size_t>(quillet::PAGE_SIZE));
    ASSERT_EQ(quillet::ensure_buffer(context_->pages[page], quillet::PAGE_SIZE), 0);
    std::memcpy(context_->pages[page], content.data(), content.size());
    context_->page_lengths[page] = quillet::PAGE_SIZE;
}

void ContextHolder::set_rom(const Bytes& content) {
    quillet::release_buffer(context_->rom_image);
    ASSERT_EQ(quillet::ensure_buffer(context_->rom_image, content.size()), 0);
    std::memcpy(context_->rom_image, content.data(), content.size());
    context_->rom_length = static_cast<int>(content.size());
}

Bytes ContextHolder::page(int page) const {
    const std::uint8_t* data = context_->pages[page];
    return data ? Bytes(data, data + quillet::PAGE_SIZE) : Bytes();
}

Bytes ContextHolder::rom() const {
    const std::uint8_t* data = context_->rom_image;
    return data ? Bytes(data, data + context_->rom_length) : Bytes();
}

std::string message(const std::string& format, const std::string& path) {
    std::string text = format;
    for (std::size_t at = text.find("%s"); at != std::string::npos; at = text.find("%s", at + path.size())) {
        text.replace(at, 2, path);
    }
    return text + "\n\n";
}

}  // namespace quillet_test
