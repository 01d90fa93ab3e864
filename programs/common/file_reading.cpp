#include "file_reading.hpp"

#include <new>

#include "quillet/quillet_tools.h"
#include "console.hpp"

namespace quillet::common {
namespace {

void* place_in_string(void* user, std::size_t size) {
    std::string* contents = static_cast<std::string*>(user);
    try {
        contents->assign(size, '\0');
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    // An empty string still gives a place of its own.
    return &(*contents)[0];
}

// The room of read_image_file: the vector, once the size passes the check.
struct ImageRoom {
    const std::function<bool(std::size_t)>* fits;
    std::vector<std::uint8_t>* bytes;
    bool refused;
};

void* place_image(void* user, std::size_t size) {
    ImageRoom* room = static_cast<ImageRoom*>(user);
    if (!(*room->fits)(size)) {
        room->refused = true;
        return nullptr;
    }
    try {
        room->bytes->assign(size, 0);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    // An empty file still gets a place of its own.
    return room->bytes->empty() ? static_cast<void*>(room) : room->bytes->data();
}

// The console's report, unless the size was refused: then the library's
// "no room" is the program's own refusal, which it words itself.
void report_unless_refused(void* user, int code, const char* text) {
    if (!static_cast<const ImageRoom*>(user)->refused) print_report(nullptr, code, text);
}

}  // namespace

int read_image_file(const char* path, std::size_t max_length, const std::function<bool(std::size_t)>& fits,
                    std::vector<std::uint8_t>* bytes) {
    ImageRoom room{&fits, bytes, false};
    const long read = quillet_file_load(path, max_length, place_image, &room, report_unless_refused, &room);
    if (room.refused || read < 0) bytes->clear();
    if (room.refused) return IMAGE_REFUSED;
    if (read < 0) {
        bytes->clear();
        return static_cast<int>(read);
    }
    return 0;
}

int read_text_file(const char* path, std::string* contents) {
    // Through the library's reader, so that every name the system takes
    // (also one that is not ASCII, on Windows) opens as it does for the
    // other inputs, with its codes and messages.
    const long read = quillet_file_load(path, TEXT_FILE_MAX, place_in_string, contents, print_report, nullptr);
    if (read < 0) {
        contents->clear();
        return static_cast<int>(read);
    }
    return 0;
}

}  // namespace quillet::common
