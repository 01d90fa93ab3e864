#include "image/build_context.hpp"

#include <cstdlib>

#include "driver/failure.hpp"

namespace quillet {

int ensure_raw_buffer(void*& slot, std::size_t size) {
    if (slot) return 0;
    slot = std::calloc(size ? size : 1, 1);
    if (!slot) return report_failure(ERR_OUT_OF_MEMORY);
    return 0;
}

void release_raw_buffer(void*& slot) {
    std::free(slot);
    slot = nullptr;
}

int queue_load_request(BuildContext* context, const char* text, int page, int address) {
    LoadRequest* request = nullptr;
    if (const int result = ensure_buffer(request, sizeof(LoadRequest))) return result;
    request->text = text;
    request->address = address;
    request->page = page;
    request->next = nullptr;
    if (context->load_head) {
        context->load_tail->next = request;
    } else {
        context->load_head = request;
    }
    context->load_tail = request;
    return 0;
}

void release_context(BuildContext*& context) {
    if (!context) return;
    for (std::uint8_t*& page : context->pages) release_buffer(page);
    release_buffer(context->rom_image);
    release_buffer(context->work_buffer);
    while (context->load_head) {
        LoadRequest* next = context->load_head->next;
        release_buffer(context->load_head);
        context->load_head = next;
    }
    context->load_tail = nullptr;
    release_buffer(context->header);
    release_buffer(context);
}

}  // namespace quillet
