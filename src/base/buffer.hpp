// An owned byte buffer: the one way the library obtains memory for data.
//
// Each buffer has exactly one owner and is freed in one place, its
// destructor. Allocation failure is reported as ERR_OUT_OF_MEMORY.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/failure.hpp"

namespace quillet {

class ByteBuffer {
public:
    ByteBuffer() = default;
    ~ByteBuffer() { release(); }
    ByteBuffer(ByteBuffer&& other) noexcept : data_(other.data_), size_(other.size_) {
        other.data_ = nullptr;
        other.size_ = 0;
    }
    ByteBuffer& operator=(ByteBuffer&& other) noexcept {
        swap(other);
        return *this;
    }
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;

    // Replaces the contents by `size` zero bytes (at least one byte is
    // allocated, so that an empty buffer still has an address). Returns 0,
    // or reports and returns ERR_OUT_OF_MEMORY, leaving the old contents.
    // Large buffers come zero-filled from the system, so their memory is
    // touched only where it is used.
    int allocate(std::size_t size, const Reporter& reporter);

    // Frees the contents; the buffer is then empty.
    void release();

    // Keeps only the first `size` bytes (no larger than the current size) as
    // the contents; the memory itself stays allocated.
    void truncate(std::size_t size) {
        if (size < size_) size_ = size;
    }

    void swap(ByteBuffer& other) noexcept {
        std::uint8_t* data = data_;
        const std::size_t size = size_;
        data_ = other.data_;
        size_ = other.size_;
        other.data_ = data;
        other.size_ = size;
    }

    std::uint8_t* data() { return data_; }
    const std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }
    explicit operator bool() const { return data_ != nullptr; }

private:
    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace quillet
