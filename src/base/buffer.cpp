#include "base/buffer.hpp"

#include <cstdlib>

namespace quillet {

int ByteBuffer::allocate(std::size_t size, const Reporter& reporter) {
    void* memory = std::calloc(size ? size : 1, 1);
    if (!memory) return report_failure(reporter, ERR_OUT_OF_MEMORY);
    release();
    data_ = static_cast<std::uint8_t*>(memory);
    size_ = size;
    return 0;
}

void ByteBuffer::release() {
    std::free(data_);
    data_ = nullptr;
    size_ = 0;
}

}  // namespace quillet
