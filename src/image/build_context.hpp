// The per-run record (BuildContext), the queue of memory-load requests and
// the one way quillet obtains memory (ensure_buffer).
//
// The context owns every buffer and request from its creation by the option
// parser to release_context() at the end of the run. Text fields point into
// the argument vector and are never copied or freed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "snapshot/snapshot_format.hpp"

namespace quillet {

constexpr int WORK_BUFFER_SIZE = 65536;
constexpr int NOT_GIVEN = 255;       // an add-on hardware option that was not given
constexpr int REGISTER_NOT_GIVEN = -1;

// Values of LoadRequest::page that are no page number.
constexpr int REQUEST_AT_ADDRESS = -1;  // "-mem": a file loaded at `address`
constexpr int REQUEST_HEX = -2;         // "-hex": a byte string stored at `address`
constexpr int NO_ADDRESS = -1;          // `address` of a "-pg" request

struct LoadRequest {
    const char* text;  // file name or hexadecimal byte string, as given
    int address;       // 0..65535 for "-mem" and "-hex"; NO_ADDRESS for "-pg"
    int page;          // 0..15 for "-pg"; REQUEST_AT_ADDRESS or REQUEST_HEX
    LoadRequest* next;
};

struct BuildContext {
    const char* output_path;
    const char* template_path;
    const char* rom_path;
    std::uint8_t* rom_image;
    std::uint8_t* work_buffer;  // WORK_BUFFER_SIZE bytes of scratch space
    std::uint8_t* header;       // HEADER_BUFFER_SIZE bytes: the header being built
    std::uint8_t* pages[PAGE_COUNT];
    int page_lengths[PAGE_COUNT];
    LoadRequest* load_head;
    LoadRequest* load_tail;
    int verbose;
    int pack;
    int allram;
    int enable_interrupts;
    int musica_plugged;
    int vcpu_interrupt;  // 0, 1 or NOT_GIVEN
    int rom_length;
    int mapper_port;  // 0..127 or NOT_GIVEN
    int mif85_mode;   // 0, 1 or NOT_GIVEN
    int model;        // ComputerModel
    int registers[REGISTER_COUNT];  // 0..65535 or REGISTER_NOT_GIVEN
};

// Allocates `size` zero-filled bytes into an empty slot. A slot that already
// holds a buffer is left alone, whatever `size` is. Returns 0, or reports and
// returns ERR_OUT_OF_MEMORY with the slot left empty.
int ensure_raw_buffer(void*& slot, std::size_t size);

template <typename T>
int ensure_buffer(T*& slot, std::size_t size) {
    if (slot) return 0;
    void* buffer = nullptr;
    const int result = ensure_raw_buffer(buffer, size);
    slot = static_cast<T*>(buffer);
    return result;
}

// Frees the buffer in `slot` (if any) and clears the slot.
void release_raw_buffer(void*& slot);

template <typename T>
void release_buffer(T*& slot) {
    void* buffer = slot;
    release_raw_buffer(buffer);
    slot = nullptr;
}

// Appends a request at the tail of the context's queue. Returns 0 or
// ERR_OUT_OF_MEMORY (already reported).
int queue_load_request(BuildContext* context, const char* text, int page, int address);

// Releases the pages, the ROM image, the work buffer, the load requests, the
// header and the context itself, in that order, and clears `context`.
// Nothing happens when `context` is null.
void release_context(BuildContext*& context);

}  // namespace quillet
