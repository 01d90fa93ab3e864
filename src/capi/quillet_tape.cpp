// The tape part of the public C interface, over src/tape: argument checks
// in the interface's terms, the last failure kept for foreign callers, and
// running out of memory turned into its code.
#include <cstring>
#include <new>
#include <string>

#include "base/file_access.hpp"
#include "base/wav_file.hpp"
#include "capi/capi_handles.hpp"
#include "capi/failure_record.hpp"
#include "quillet/quillet.h"
#include "tape/tape_image.hpp"
#include "tape/tape_signal.hpp"

struct quillet_tape {
    quillet::tape::Tape value;
    std::vector<quillet::tape::Entry> entries;  // of `value`, kept in step with it
    mutable quillet::FailureRecord failure;
    quillet::Reporter reporter{quillet::record_failure, &failure};
};

namespace quillet {

const tape::Tape& tape_value(const quillet_tape* tape) { return tape->value; }

void set_tape_value(quillet_tape* tape, tape::Tape value) {
    std::vector<tape::Entry> entries = tape::tape_entries(value);
    tape->value = std::move(value);
    tape->entries = std::move(entries);
}

namespace {

using tape::ImageKind;

constexpr std::size_t PTP_RECORD_MAX = 0xFFFF;

const char* name_or_memory(const char* name) { return name ? name : QUILLET_MEMORY_NAME; }

// Runs `work`, which may run out of memory, as one step: ERR_OUT_OF_MEMORY
// reported when it does.
template <typename Work>
int guarded(const Reporter& reporter, Work work) {
    try {
        return work();
    } catch (const std::bad_alloc&) {
        return report_failure(reporter, ERR_OUT_OF_MEMORY);
    }
}

int read_tape(quillet_tape* t, const std::uint8_t* bytes, std::size_t length, const char* name) {
    return guarded(t->reporter, [&] {
        tape::Tape read;
        int result = tape::looks_like_wav(bytes, length)  ? tape::read_wav(bytes, length, name, t->reporter, &read)
                     : tape::looks_like_pmd(bytes, length) ? tape::read_pmd(bytes, length, name, t->reporter, &read)
                                                          : tape::read_ptp(bytes, length, name, t->reporter, &read);
        if (result == 0 && read.blocks.empty()) result = report_failure(t->reporter, ERR_TAPE_FORMAT, name);
        if (result < 0) return result;
        std::vector<tape::Entry> entries = tape::tape_entries(read);
        t->value = std::move(read);
        t->entries = std::move(entries);
        return 0;
    });
}

int kind_of(ImageKind kind) {
    return kind == ImageKind::PMD ? QUILLET_TAPE_PMD : kind == ImageKind::WAV ? QUILLET_TAPE_WAV : QUILLET_TAPE_PTP;
}

// The image of `t` as `kind` into `image`.
int image_of(const quillet_tape* t, int kind, std::vector<std::uint8_t>* image) {
    const Reporter& reporter = t->reporter;
    if (kind != QUILLET_TAPE_PTP && kind != QUILLET_TAPE_PMD && kind != QUILLET_TAPE_WAV) {
        return report_failure(reporter, ERR_VALUE_RANGE, "kind (0 to 2)", static_cast<long>(kind));
    }
    if (t->value.blocks.empty()) return report_failure(reporter, ERR_TAPE_FORMAT, "tape");
    if (kind == QUILLET_TAPE_PTP) {  // a record's length is a word
        for (const tape::Block& block : t->value.blocks) {
            if (block.bytes.size() > PTP_RECORD_MAX) {
                return report_size_failure(reporter, ERR_VALUE_RANGE, "the length of a PTP record (1 to 65535)",
                                           block.bytes.size());
            }
        }
    }
    if (kind == QUILLET_TAPE_WAV) {
        if (const int result = check_wav_data_size(tape::wav_data_size(t->value), reporter)) return result;
    }
    return guarded(reporter, [&] {
        *image = kind == QUILLET_TAPE_PTP   ? tape::write_ptp(t->value)
                 : kind == QUILLET_TAPE_PMD ? tape::write_pmd(t->value)
                                            : tape::write_wav(t->value);
        return 0;
    });
}

// The WAV recording of `t` streamed into the file `path`, whole or not at
// all; one past what a WAV file can hold is refused before anything is
// written.
int write_wav_file(const quillet_tape* t, const char* path) {
    const Reporter& reporter = t->reporter;
    if (t->value.blocks.empty()) return report_failure(reporter, ERR_TAPE_FORMAT, "tape");
    if (const int result = check_wav_data_size(tape::wav_data_size(t->value), reporter)) return result;
    platform::Output output;
    if (platform::open_output(path, &output) != platform::OpenOutputResult::OPENED) {
        return report_failure(reporter, ERR_OUTPUT_OPEN, path);
    }
    const int written = guarded(reporter, [&] {
        return tape::write_wav(t->value, [](void* user, const std::uint8_t* data, std::size_t length) {
            const ConstByteRange range{data, length};
            return platform::write_ranges(static_cast<platform::Output*>(user), &range, 1) == 0 ? 0 : ERR_OUTPUT_WRITE;
        }, &output);
    });
    if (written == ERR_OUTPUT_WRITE) {
        platform::discard_output(&output);
        return report_failure(reporter, ERR_OUTPUT_WRITE, path);
    }
    if (written != 0) {
        platform::discard_output(&output);
        return written;
    }
    if (platform::commit_output(&output) != 0) return report_failure(reporter, ERR_OUTPUT_WRITE, path);
    return 0;
}

}  // namespace
}  // namespace quillet

using namespace quillet;

quillet_tape* quillet_tape_new(void) {
    try {
        return new quillet_tape();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void quillet_tape_free(quillet_tape* tape) { delete tape; }

void quillet_tape_set_reporter(quillet_tape* tape, quillet_report_fn report, void* user) {
    if (tape) tape->failure.caller = Reporter{report, user};
}

int quillet_tape_last_failure(const quillet_tape* tape) { return tape ? tape->failure.code : ERR_MISSING_VALUE; }

const char* quillet_tape_last_message(const quillet_tape* tape) { return tape ? tape->failure.message : ""; }

int quillet_tape_read_bytes(quillet_tape* tape, const void* data, size_t length, const char* name) {
    if (!tape) return ERR_MISSING_VALUE;
    if (!data && length > 0) return report_failure(tape->reporter, ERR_MISSING_VALUE, "data");
    static const std::uint8_t NOTHING = 0;
    return read_tape(tape, data ? static_cast<const std::uint8_t*>(data) : &NOTHING, length, name_or_memory(name));
}

int quillet_tape_read_file(quillet_tape* tape, const char* path) {
    if (!tape) return ERR_MISSING_VALUE;
    if (!path) return report_failure(tape->reporter, ERR_MISSING_VALUE, "path");
    constexpr std::size_t LIMIT = static_cast<std::size_t>(QUILLET_TAPE_FILE_SIZE_MAX);
    ByteBuffer content;
    const long length = read_whole_file(path, LIMIT + 1, &content, tape->reporter);
    if (length < 0) return static_cast<int>(length);
    if (static_cast<std::size_t>(length) > LIMIT) {
        return report_size_failure(tape->reporter, ERR_SOURCE_TOO_LONG, path, LIMIT);
    }
    return read_tape(tape, content.data(), static_cast<std::size_t>(length), path);
}

int quillet_tape_kind(const quillet_tape* tape) {
    return tape ? kind_of(tape->value.kind) : ERR_MISSING_VALUE;
}

size_t quillet_tape_entry_count(const quillet_tape* tape) { return tape ? tape->entries.size() : 0; }

int quillet_tape_entry_info(const quillet_tape* tape, size_t index, quillet_tape_entry* entry) {
    if (!tape) return ERR_MISSING_VALUE;
    if (!entry) return report_failure(tape->reporter, ERR_MISSING_VALUE, "entry");
    if (index >= tape->entries.size()) {
        return report_failure(tape->reporter, ERR_VALUE_RANGE, "entry index", static_cast<long>(index));
    }
    const tape::Entry& e = tape->entries[index];
    const tape::Block& first = tape->value.blocks[e.block];
    *entry = quillet_tape_entry{};
    entry->is_file = e.is_file ? 1 : 0;
    entry->block = e.block;
    entry->position = first.position;
    entry->header_checksum = -1;
    entry->data_checksum = -1;
    if (!e.is_file) {
        entry->data_length = first.bytes.size();
        return 0;
    }
    entry->number = e.header.number;
    entry->type = static_cast<unsigned char>(e.header.type);
    entry->start = e.header.start;
    entry->length = e.header.length;
    std::memcpy(entry->name, e.header.name, sizeof entry->name);
    entry->header_checksum = e.header.stored_checksum;
    entry->header_checksum_holds = e.header.checksum_holds ? 1 : 0;
    entry->data_length = e.data_length;
    entry->data_complete = e.data_complete ? 1 : 0;
    entry->data_checksum_holds = e.data_checksum_holds ? 1 : 0;
    if (e.data_complete) entry->data_checksum = tape->value.blocks[e.data_block].bytes[e.header.length];
    return 0;
}

long quillet_tape_entry_data(const quillet_tape* tape, size_t index, void* out, size_t capacity) {
    if (!tape) return ERR_MISSING_VALUE;
    if (!out && capacity > 0) return report_failure(tape->reporter, ERR_MISSING_VALUE, "out");
    if (index >= tape->entries.size()) {
        return report_failure(tape->reporter, ERR_VALUE_RANGE, "entry index", static_cast<long>(index));
    }
    const tape::Entry& e = tape->entries[index];
    const std::uint8_t* data = nullptr;
    std::size_t length = 0;
    if (!e.is_file) {
        data = tape->value.blocks[e.block].bytes.data();
        length = tape->value.blocks[e.block].bytes.size();
    } else if (e.data_block != tape::NO_BLOCK) {
        data = tape->value.blocks[e.data_block].bytes.data();
        length = e.data_length;
    }
    if (length > capacity) length = capacity;
    if (length > 0) std::memcpy(out, data, length);
    return static_cast<long>(length);
}

long quillet_tape_entry_name(const quillet_tape* tape, size_t index, char* out, size_t capacity) {
    if (!tape) return ERR_MISSING_VALUE;
    if (!out && capacity > 0) return report_failure(tape->reporter, ERR_MISSING_VALUE, "out");
    if (index >= tape->entries.size()) {
        return report_failure(tape->reporter, ERR_VALUE_RANGE, "entry index", static_cast<long>(index));
    }
    const tape::Entry& e = tape->entries[index];
    if (!e.is_file) return 0;
    const std::uint8_t* name = tape->value.blocks[e.block].bytes.data() + tape::OFFSET_NAME;
    std::size_t length = tape::NAME_SIZE;
    while (length > 0 && name[length - 1] == ' ') --length;
    if (length > capacity) {
        return report_size_failure(tape->reporter, ERR_VALUE_RANGE, "the capacity for a name", capacity);
    }
    if (length > 0) std::memcpy(out, name, length);
    return static_cast<long>(length);
}

int quillet_tape_check(const quillet_tape* tape, const char* name) {
    if (!tape) return ERR_MISSING_VALUE;
    return guarded(tape->reporter, [&] { return tape::check_tape(tape->value, name_or_memory(name), tape->reporter); });
}

int quillet_tape_check_ignoring_checksums(const quillet_tape* tape, const char* name, size_t* failed) {
    if (!tape) return ERR_MISSING_VALUE;
    std::size_t count = 0;
    const int result =
        guarded(tape->reporter, [&] { return tape::check_tape(tape->value, name_or_memory(name), tape->reporter, &count); });
    if (failed) *failed = count;
    return result;
}

int quillet_tape_entry_sums(const quillet_tape* tape, size_t index, int* header, int* data) {
    if (!tape) return ERR_MISSING_VALUE;
    if (index >= tape->entries.size()) {
        return report_failure(tape->reporter, ERR_VALUE_RANGE, "entry index", static_cast<long>(index));
    }
    const tape::Entry& e = tape->entries[index];
    if (header) {
        const std::vector<std::uint8_t>& block = tape->value.blocks[e.block].bytes;
        *header = e.is_file ? tape::checksum(block.data() + tape::OFFSET_NUMBER, tape::CHECKSUMMED_FIELDS) : -1;
    }
    if (data) {
        *data = e.is_file && e.data_complete ? tape::checksum(tape->value.blocks[e.data_block].bytes.data(), e.header.length)
                                             : -1;
    }
    return 0;
}

int quillet_tape_add_file(quillet_tape* tape, int number, int type, long start, const char* name, const void* data,
                          size_t length) {
    if (!tape) return ERR_MISSING_VALUE;
    const Reporter& reporter = tape->reporter;
    if (!name) return report_failure(reporter, ERR_MISSING_VALUE, "name");
    if (!data && length > 0) return report_failure(reporter, ERR_MISSING_VALUE, "data");
    if (number < 0 || number > tape::NUMBER_MAX) {
        return report_failure(reporter, ERR_VALUE_RANGE, "file number (0 to 99)", static_cast<long>(number));
    }
    if (!tape::valid_type(type)) {
        const char text[2] = {static_cast<char>(type), '\0'};
        return report_failure(reporter, ERR_BAD_TAPE_FIELD, "type", text);
    }
    if (!tape::valid_name(name)) return report_failure(reporter, ERR_BAD_TAPE_FIELD, "name", name);
    if (start < 0 || start > 0xFFFF) return report_failure(reporter, ERR_VALUE_RANGE, "start address (0 to 65535)", start);
    if (length == 0) return report_failure(reporter, ERR_VALUE_RANGE, "data length (1 or more)", 0L);
    std::size_t most = 0x10000 - static_cast<std::size_t>(start);
    if (most > QUILLET_TAPE_DATA_MAX) most = QUILLET_TAPE_DATA_MAX;
    if (length > most) return report_size_failure(reporter, ERR_SOURCE_TOO_LONG, name, most);
    return guarded(reporter, [&] {
        tape::Header header;
        header.number = number;
        header.type = static_cast<char>(type);
        header.start = static_cast<unsigned>(start);
        std::strcpy(header.name, name);
        tape::Tape grown;
        grown.kind = tape->value.kind;
        grown.sample_rate = tape->value.sample_rate;
        grown.blocks = tape->value.blocks;
        tape::append_file(&grown, header, static_cast<const std::uint8_t*>(data), length);
        std::vector<tape::Entry> entries = tape::tape_entries(grown);
        tape->value = std::move(grown);
        tape->entries = std::move(entries);
        return 0;
    });
}

int quillet_tape_add_block(quillet_tape* tape, const void* data, size_t length) {
    if (!tape) return ERR_MISSING_VALUE;
    if (!data && length > 0) return report_failure(tape->reporter, ERR_MISSING_VALUE, "data");
    if (length == 0 || length > PTP_RECORD_MAX) {
        return report_size_failure(tape->reporter, ERR_VALUE_RANGE, "block length (1 to 65535)", length);
    }
    return guarded(tape->reporter, [&] {
        tape::Block block;
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        block.bytes.assign(bytes, bytes + length);
        tape->value.blocks.push_back(std::move(block));
        tape->entries = tape::tape_entries(tape->value);
        return 0;
    });
}

int quillet_tape_write_bytes(const quillet_tape* tape, int kind, void* out, size_t capacity, size_t* written) {
    if (!tape) return ERR_MISSING_VALUE;
    if (!written) return report_failure(tape->reporter, ERR_MISSING_VALUE, "written");
    if (!out && capacity > 0) return report_failure(tape->reporter, ERR_MISSING_VALUE, "out");
    std::vector<std::uint8_t> image;
    const int result = image_of(tape, kind, &image);
    if (result < 0) return result;
    *written = image.size();
    if (capacity < image.size()) return report_failure(tape->reporter, ERR_OUTPUT_WRITE, QUILLET_MEMORY_NAME);
    std::memcpy(out, image.data(), image.size());
    return 0;
}

int quillet_tape_write_file(const quillet_tape* tape, int kind, const char* path) {
    if (!tape) return ERR_MISSING_VALUE;
    if (!path) return report_failure(tape->reporter, ERR_MISSING_VALUE, "path");
    if (kind == QUILLET_TAPE_WAV) return write_wav_file(tape, path);
    std::vector<std::uint8_t> image;
    const int result = image_of(tape, kind, &image);
    if (result < 0) return result;
    const ConstByteRange range{image.data(), image.size()};
    return write_file_whole(path, &range, 1, tape->reporter);
}

int quillet_tape_checksum(const void* data, size_t length) {
    return data ? tape::checksum(static_cast<const std::uint8_t*>(data), length) : 0;
}
