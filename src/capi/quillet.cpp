// The public C interface, over the library's layers. Each function checks
// its arguments, reporting a failure in the terms of the interface (the
// parameter, the register, the value given), then calls the layer that does
// the work.
#include "quillet/quillet.h"
#include "quillet/quillet_tools.h"
#include "quillet/quillet_layout.h"

#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "base/file_access.hpp"
#include "base/platform.hpp"
#include "capi/arguments.hpp"
#include "capi/capi_handles.hpp"
#include "capi/failure_record.hpp"
#include "image/address_space.hpp"
#include "image/memory_loading.hpp"
#include "snapshot/block_codec.hpp"
#include "snapshot/header_settings.hpp"
#include "snapshot/snapshot_reader.hpp"
#include "snapshot/snapshot_writer.hpp"

namespace quillet {
namespace {
void record_report(void* handle, int code, const char* text);
}  // namespace
}  // namespace quillet

// A snapshot, the reporter its caller installed, and the last failure
// reported on it. Its own reporter records each failure in fixed buffers
// (no allocation, so that even running out of memory is recorded), then
// hands the report on.
struct quillet_snapshot {
    quillet::Snapshot value;
    quillet::Reporter reporter{quillet::record_report, this};
    mutable quillet::FailureRecord failure;
    mutable quillet::ReadDetail last_detail;
};

namespace quillet {
namespace {

void record_report(void* handle, int code, const char* text) {
    auto* s = static_cast<quillet_snapshot*>(handle);
    s->failure.keep(code, text);
    if (code < 0) s->last_detail.text[0] = '\0';
    s->failure.pass_on(code, text);
}

// Keeps the detail of a failed read as the last failure's.
int keep_detail(const quillet_snapshot* s, int result, const ReadDetail& detail) {
    if (result < 0) s->last_detail = detail;
    return result;
}

// A caller's reading function as the library's piece reader.
struct CallerSource {
    quillet_read_fn read;
    void* user;
};
long read_caller_piece(void* source, std::uint8_t* data, std::size_t capacity) {
    const auto* caller = static_cast<const CallerSource*>(source);
    const long n = caller->read(caller->user, data, capacity);
    return n > static_cast<long>(capacity) ? -1 : n;
}

// A name compared in any letter case, ASCII only.
bool same_name(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(*a) != lower(*b)) return false;
    }
    return *a == *b;
}

const Reporter NO_REPORTER{};

const Reporter& reporter_of(const quillet_snapshot* s) { return s ? s->reporter : NO_REPORTER; }

// The argument checks (capi/arguments), reported on the snapshot.
int missing(const quillet_snapshot* s, const char* parameter) { return report_missing(reporter_of(s), parameter); }

int out_of_range(const quillet_snapshot* s, long value, const char* what, long max) {
    return report_out_of_range(reporter_of(s), value, what, max);
}

int check_address(const quillet_snapshot* s, long address) { return check_address(reporter_of(s), address); }

int check_page(const quillet_snapshot* s, int page) {
    if (page < 0 || page >= PAGE_COUNT) return report_failure(reporter_of(s), ERR_BAD_PAGE, DecimalText(page).c_str());
    return 0;
}

const char* name_or_memory(const char* name) { return name ? name : QUILLET_MEMORY_NAME; }

// The deprecated raw offsets (quillet_layout.h) stay what the field table says.
static_assert(QUILLET_HEADER_SIZE_V1 == HEADER_SIZE_V1 && QUILLET_HEADER_SIZE_V2 == HEADER_SIZE_V2 &&
                  QUILLET_WORD_SIZE == WORD_SIZE && QUILLET_OFFSET_MAGIC == OFFSET_MAGIC &&
                  QUILLET_OFFSET_VERSION == OFFSET_VERSION && QUILLET_OFFSET_HEADER_LENGTH == OFFSET_HEADER_LENGTH &&
                  QUILLET_OFFSET_COMPUTER_MODEL == OFFSET_COMPUTER_MODEL &&
                  QUILLET_OFFSET_INTERRUPTS_ENABLED == OFFSET_INTERRUPTS_ENABLED &&
                  QUILLET_OFFSET_REGISTERS == OFFSET_REGISTERS && QUILLET_OFFSET_ROM_DESCRIPTOR == OFFSET_ROM_DESCRIPTOR &&
                  QUILLET_OFFSET_BLOCK_LENGTHS_LOW == OFFSET_BLOCK_LENGTHS_LOW &&
                  QUILLET_OFFSET_PERIPHERAL_STATE == OFFSET_PERIPHERAL_STATE &&
                  QUILLET_OFFSET_VCPU_CIRCUIT == OFFSET_VCPU_INTERRUPT_CIRCUIT &&
                  QUILLET_OFFSET_MAPPER_PORT == OFFSET_MAPPER_PORT_VALUE &&
                  QUILLET_OFFSET_BLOCK_LENGTHS_HIGH == OFFSET_BLOCK_LENGTHS_HIGH &&
                  QUILLET_OFFSET_MIF85_STATE == OFFSET_MIF85_STATE &&
                  QUILLET_OFFSET_RESERVED == HEADER_FIELDS[FIELD_RESERVED].offset &&
                  QUILLET_RESERVED_SIZE == HEADER_FIELDS[FIELD_RESERVED].width &&
                  QUILLET_OFFSET_MUSICA_STATE == OFFSET_MUSICA_STATE,
              "the deprecated offsets are the field table's");
static_assert(QUILLET_FIELD_NUMBER == static_cast<int>(FieldForm::NUMBER) &&
                  QUILLET_FIELD_CODE == static_cast<int>(FieldForm::CODE) &&
                  QUILLET_FIELD_WORD == static_cast<int>(FieldForm::WORD) &&
                  QUILLET_FIELD_MODEL == static_cast<int>(FieldForm::MODEL) &&
                  QUILLET_FIELD_BYTES == static_cast<int>(FieldForm::BYTES),
              "the interface's field forms are the table's");

}  // namespace
}  // namespace quillet

namespace quillet {

const Snapshot& snapshot_value(const quillet_snapshot* snapshot) { return snapshot->value; }
Snapshot& snapshot_value(quillet_snapshot* snapshot) { return snapshot->value; }
const Reporter& snapshot_reporter(const quillet_snapshot* snapshot) { return snapshot->reporter; }

}  // namespace quillet

using namespace quillet;

const char* quillet_version(void) { return QUILLET_VERSION_STRING; }

const char* quillet_message(int code) { return failure_format(code); }

const char* quillet_model_name(int model) {
    return model >= 0 && model < MODEL_COUNT ? MODEL_NAMES[model] : nullptr;
}

int quillet_model_stores_block2(int model) { return model_stores_block2(model) ? 1 : 0; }

const char* quillet_register_name(int reg) {
    return reg >= 0 && reg < REGISTER_COUNT ? REGISTER_NAMES[reg] : nullptr;
}

quillet_snapshot* quillet_snapshot_new(void) { return new (std::nothrow) quillet_snapshot(); }

void quillet_snapshot_free(quillet_snapshot* snapshot) { delete snapshot; }

int quillet_model_number(const char* name) {
    if (!name) return ERR_MISSING_VALUE;
    for (int model = 0; model < MODEL_COUNT; ++model) {
        if (same_name(name, MODEL_NAMES[model])) return model;
    }
    return ERR_BAD_MODEL;
}

int quillet_register_number(const char* name) {
    if (!name) return ERR_MISSING_VALUE;
    for (int reg = 0; reg < REGISTER_COUNT; ++reg) {
        if (same_name(name, REGISTER_NAMES[reg])) return reg;
    }
    return ERR_BAD_REGISTER;
}

void quillet_set_reporter(quillet_snapshot* snapshot, quillet_report_fn report, void* user) {
    if (snapshot) snapshot->failure.caller = Reporter{report, user};
}

int quillet_last_failure(const quillet_snapshot* snapshot) { return snapshot ? snapshot->failure.code : ERR_MISSING_VALUE; }

const char* quillet_last_message(const quillet_snapshot* snapshot) {
    return snapshot ? snapshot->failure.message : "";
}

const char* quillet_last_detail(const quillet_snapshot* snapshot) {
    return snapshot ? snapshot->last_detail.text : "";
}

int quillet_read_file(quillet_snapshot* snapshot, const char* path) {
    if (!snapshot) return missing(snapshot, "snapshot");
    if (!path) return missing(snapshot, "path");
    ReadDetail detail;
    return keep_detail(snapshot, read_snapshot_file(path, &snapshot->value, snapshot->reporter, &detail), detail);
}

int quillet_read_bytes(quillet_snapshot* snapshot, const void* data, size_t length, const char* name) {
    if (!snapshot) return missing(snapshot, "snapshot");
    if (!data && length > 0) return missing(snapshot, "data");
    ReadDetail detail;
    const int result = read_snapshot_bytes(static_cast<const std::uint8_t*>(data), length, name_or_memory(name),
                                           &snapshot->value, snapshot->reporter, &detail);
    return keep_detail(snapshot, result, detail);
}

int quillet_read_stream(quillet_snapshot* snapshot, quillet_read_fn read, void* user, const char* name,
                        size_t* length) {
    if (!snapshot) return missing(snapshot, "snapshot");
    if (!read) return missing(snapshot, "read");
    CallerSource source{read, user};
    ReadDetail detail;
    std::size_t held = 0;
    const int result = read_snapshot_stream(read_caller_piece, &source, name_or_memory(name), &snapshot->value,
                                            snapshot->reporter, &held, &detail);
    if (length) *length = held;
    return keep_detail(snapshot, result, detail);
}

int quillet_stored_header(const quillet_snapshot* snapshot, uint8_t* header) {
    if (!snapshot) return missing(snapshot, "snapshot");
    if (!header) return missing(snapshot, "header");
    std::memcpy(header, snapshot->value.stored.header, HEADER_BUFFER_SIZE);
    return snapshot->value.stored.header_length;
}

int quillet_stored_piece_info(const quillet_snapshot* snapshot, int piece, quillet_stored_piece* info) {
    if (!snapshot) return missing(snapshot, "snapshot");
    if (!info) return missing(snapshot, "info");
    if (piece != QUILLET_PIECE_ROM && check_page(snapshot, piece) != 0) return ERR_BAD_PAGE;
    const StoredLayout& stored = snapshot->value.stored;
    const StoredPiece& p = piece == QUILLET_PIECE_ROM ? stored.rom : stored.blocks[piece];
    *info = quillet_stored_piece{p.present ? 1 : 0, p.offset, p.stored_length, p.unpacked_length};
    return 0;
}

size_t quillet_stored_end(const quillet_snapshot* snapshot) { return snapshot ? snapshot->value.stored.end : 0; }

int quillet_stored_layout(const quillet_snapshot* snapshot, quillet_layout* layout) {
    if (!snapshot) return missing(snapshot, "snapshot");
    if (!layout) return missing(snapshot, "layout");
    *layout = quillet_layout{};
    const StoredLayout& stored = snapshot->value.stored;
    if (stored.header_length == 0) return 0;
    std::uint8_t header[HEADER_BUFFER_SIZE];
    std::memcpy(header, stored.header, sizeof header);
    BlockSlot slots[PAGE_COUNT] = {};
    locate_block_sizes(header, slots);
    layout->version = header[OFFSET_VERSION];
    layout->header_length = stored.header_length;
    layout->block_slots = block_count_for_version(layout->version);
    layout->addon_hardware = layout->version >= VERSION_2 ? 1 : 0;
    layout->rom_descriptor = read_word(header + OFFSET_ROM_DESCRIPTOR);
    layout->rom_form = stored.rom.form;
    for (int i = 0; i < layout->block_slots; ++i) {
        layout->length_words[i] = read_word(slots[i]);
        layout->block_forms[i] = stored.blocks[i].form;
        layout->block_states[i] = !model_stores_block(header[OFFSET_COMPUTER_MODEL], i) ? QUILLET_BLOCK_NOT_STORED
                                  : stored.blocks[i].present                           ? QUILLET_BLOCK_PRESENT
                                                                                       : QUILLET_BLOCK_ABSENT;
    }
    return 0;
}

int quillet_set_model(quillet_snapshot* snapshot, int model) {
    if (!snapshot) return missing(snapshot, "snapshot");
    if (model < 0 || model >= MODEL_COUNT) {
        return report_failure(snapshot->reporter, ERR_BAD_MODEL, DecimalText(model).c_str());
    }
    snapshot->value.model = model;
    return 0;
}

int quillet_get_model(const quillet_snapshot* snapshot) {
    return snapshot ? snapshot->value.model : ERR_MISSING_VALUE;
}

int quillet_set_register(quillet_snapshot* snapshot, int reg, long value) {
    if (!snapshot) return missing(snapshot, "snapshot");
    if (reg < 0 || reg >= REGISTER_COUNT) {
        return report_failure(snapshot->reporter, ERR_BAD_REGISTER, DecimalText(reg).c_str());
    }
    if (value < 0 || value > static_cast<long>(REGISTER_VALUE_MAX)) {
        const std::string what = std::string("register ") + REGISTER_NAMES[reg];
        return out_of_range(snapshot, value, what.c_str(), REGISTER_VALUE_MAX);
    }
    set_register(&snapshot->value, reg, static_cast<unsigned>(value));
    return 0;
}

long quillet_get_register(const quillet_snapshot* snapshot, int reg) {
    if (!snapshot) return ERR_MISSING_VALUE;
    if (reg < 0 || reg >= REGISTER_COUNT) {
        return report_failure(snapshot->reporter, ERR_BAD_REGISTER, DecimalText(reg).c_str());
    }
    return snapshot->value.registers[reg];
}

int quillet_set_interrupts(quillet_snapshot* snapshot, int enabled) {
    if (!snapshot) return missing(snapshot, "snapshot");
    snapshot->value.interrupts_enabled = enabled != 0;
    return 0;
}

int quillet_get_interrupts(const quillet_snapshot* snapshot) {
    return snapshot ? (snapshot->value.interrupts_enabled ? 1 : 0) : ERR_MISSING_VALUE;
}

int quillet_set_allram(quillet_snapshot* snapshot, int on) {
    if (!snapshot) return missing(snapshot, "snapshot");
    set_allram(&snapshot->value, on != 0);
    return 0;
}

int quillet_get_allram(const quillet_snapshot* snapshot) {
    return snapshot ? (allram_on(snapshot->value) ? 1 : 0) : ERR_MISSING_VALUE;
}

int quillet_get_peripheral_state(const quillet_snapshot* snapshot, uint8_t* state) {
    if (!snapshot) return missing(snapshot, "snapshot");
    if (!state) return missing(snapshot, "state");
    std::memcpy(state, snapshot->value.peripheral_state, PERIPHERAL_STATE_SIZE);
    return 0;
}

int quillet_set_vcpu_circuit(quillet_snapshot* snapshot, int state) {
    if (!snapshot) return missing(snapshot, "snapshot");
    if (state != NOT_PLUGGED && state != VCPU_INTERRUPT_DISABLED && state != VCPU_INTERRUPT_ENABLED) {
        return report_failure(snapshot->reporter, ERR_BAD_STATE, "VideoCPU circuit", DecimalText(state).c_str());
    }
    snapshot->value.vcpu_circuit = static_cast<std::uint8_t>(state);
    return 0;
}

int quillet_set_mapper_port(quillet_snapshot* snapshot, int port) {
    if (!snapshot) return missing(snapshot, "snapshot");
    if (port != NOT_PLUGGED && (port < 0 || port > MAPPER_PORT_MAX)) {
        return report_failure(snapshot->reporter, ERR_BAD_MAPPER, DecimalText(port).c_str());
    }
    snapshot->value.mapper_port = static_cast<std::uint8_t>(port);
    return 0;
}

int quillet_set_mif85(quillet_snapshot* snapshot, int state) {
    if (!snapshot) return missing(snapshot, "snapshot");
    if (state != NOT_PLUGGED && state != MIF85_INTERRUPT_DISABLED && state != MIF85_INTERRUPT_ENABLED) {
        return report_failure(snapshot->reporter, ERR_BAD_STATE, "MIF 85", DecimalText(state).c_str());
    }
    snapshot->value.mif85_state = static_cast<std::uint8_t>(state);
    return 0;
}

int quillet_set_musica(quillet_snapshot* snapshot, int plugged) {
    if (!snapshot) return missing(snapshot, "snapshot");
    set_musica(&snapshot->value, plugged != 0);
    return 0;
}

int quillet_get_vcpu_circuit(const quillet_snapshot* snapshot) {
    return snapshot ? static_cast<int>(snapshot->value.vcpu_circuit) : static_cast<int>(ERR_MISSING_VALUE);
}

int quillet_get_mapper_port(const quillet_snapshot* snapshot) {
    return snapshot ? static_cast<int>(snapshot->value.mapper_port) : static_cast<int>(ERR_MISSING_VALUE);
}

int quillet_get_mif85(const quillet_snapshot* snapshot) {
    return snapshot ? static_cast<int>(snapshot->value.mif85_state) : static_cast<int>(ERR_MISSING_VALUE);
}

int quillet_get_musica(const quillet_snapshot* snapshot) {
    return snapshot ? (musica_plugged(snapshot->value) ? 1 : 0) : ERR_MISSING_VALUE;
}

int quillet_get_musica_state(const quillet_snapshot* snapshot, uint8_t* state) {
    if (!snapshot) return missing(snapshot, "snapshot");
    if (!state) return missing(snapshot, "state");
    std::memcpy(state, snapshot->value.musica_state, MUSICA_STATE_SIZE);
    return 0;
}

int quillet_load_bytes(quillet_snapshot* snapshot, long address, const void* data, size_t length) {
    if (!snapshot) return missing(snapshot, "snapshot");
    if (!data && length > 0) return missing(snapshot, "data");
    if (const int result = check_address(snapshot, address)) return result;
    return load_bytes_at(&snapshot->value, static_cast<int>(address), static_cast<const std::uint8_t*>(data),
                         length, QUILLET_MEMORY_NAME, snapshot->reporter);
}

int quillet_load_page_bytes(quillet_snapshot* snapshot, int page, const void* data, size_t length) {
    if (!snapshot) return missing(snapshot, "snapshot");
    if (!data && length > 0) return missing(snapshot, "data");
    if (const int result = check_page(snapshot, page)) return result;
    return load_bytes_into_page(&snapshot->value, page, static_cast<const std::uint8_t*>(data), length,
                                QUILLET_MEMORY_NAME, snapshot->reporter);
}

int quillet_load_file(quillet_snapshot* snapshot, long address, const char* path) {
    if (!snapshot) return missing(snapshot, "snapshot");
    if (!path) return missing(snapshot, "path");
    if (const int result = check_address(snapshot, address)) return result;
    return load_file_at(&snapshot->value, static_cast<int>(address), path, snapshot->reporter);
}

int quillet_load_page_file(quillet_snapshot* snapshot, int page, const char* path) {
    if (!snapshot) return missing(snapshot, "snapshot");
    if (!path) return missing(snapshot, "path");
    if (const int result = check_page(snapshot, page)) return result;
    return load_file_into_page(&snapshot->value, page, path, snapshot->reporter);
}

int quillet_store_hex(quillet_snapshot* snapshot, long address, const char* hex) {
    if (!snapshot) return missing(snapshot, "snapshot");
    if (!hex) return missing(snapshot, "hex");
    if (const int result = check_address(snapshot, address)) return result;
    return store_hex_string(&snapshot->value, static_cast<int>(address), hex, snapshot->reporter);
}

int quillet_set_rom(quillet_snapshot* snapshot, const void* data, size_t length) {
    if (!snapshot) return missing(snapshot, "snapshot");
    if (!data && length > 0) return missing(snapshot, "data");
    return set_rom_image(&snapshot->value, static_cast<const std::uint8_t*>(data), length, QUILLET_MEMORY_NAME,
                         snapshot->reporter);
}

int quillet_load_rom_file(quillet_snapshot* snapshot, const char* path) {
    if (!snapshot) return missing(snapshot, "snapshot");
    if (!path) return missing(snapshot, "path");
    return load_rom_file(&snapshot->value, path, snapshot->reporter);
}

size_t quillet_rom_length(const quillet_snapshot* snapshot) { return snapshot ? snapshot->value.rom.size() : 0; }

long quillet_read_rom(const quillet_snapshot* snapshot, void* out, size_t capacity) {
    if (!snapshot) return missing(snapshot, "snapshot");
    if (!out && capacity > 0) return missing(snapshot, "out");
    const std::size_t length = snapshot->value.rom.size();
    const std::size_t n = capacity < length ? capacity : length;
    if (n > 0) std::memcpy(out, snapshot->value.rom.data(), n);
    return static_cast<long>(n);
}

int quillet_has_page(const quillet_snapshot* snapshot, int page) {
    if (!snapshot) return missing(snapshot, "snapshot");
    if (const int result = check_page(snapshot, page)) return result;
    return snapshot->value.pages[page] ? 1 : 0;
}

int quillet_read_page(const quillet_snapshot* snapshot, int page, size_t offset, void* out, size_t length) {
    if (!snapshot) return missing(snapshot, "snapshot");
    if (!out && length > 0) return missing(snapshot, "out");
    if (const int result = check_page(snapshot, page)) return result;
    if (offset > PAGE_BYTES) {
        return report_size_failure(snapshot->reporter, ERR_VALUE_RANGE, range_text("offset in a page", PAGE_BYTES).c_str(),
                                   offset);
    }
    if (length > PAGE_BYTES - offset) {
        const std::string what = "length from offset " + std::string(DecimalText::of_size(offset).c_str()) +
                                 " in a page";
        return report_size_failure(snapshot->reporter, ERR_VALUE_RANGE,
                                   range_text(what.c_str(), static_cast<long>(PAGE_BYTES - offset)).c_str(), length);
    }
    read_page_bytes(snapshot->value, page, offset, static_cast<std::uint8_t*>(out), length);
    return 0;
}

int quillet_read_memory(const quillet_snapshot* snapshot, long address, void* out, size_t length) {
    if (!snapshot) return missing(snapshot, "snapshot");
    if (!out && length > 0) return missing(snapshot, "out");
    if (const int result = check_address(snapshot, address)) return result;
    if (length > static_cast<std::size_t>(ADDRESS_SPACE_SIZE - address)) {
        const std::string what = "length from address " + std::string(DecimalText(address).c_str());
        return report_size_failure(snapshot->reporter, ERR_VALUE_RANGE,
                                   range_text(what.c_str(), ADDRESS_SPACE_SIZE - address).c_str(), length);
    }
    read_address_space(snapshot->value, static_cast<int>(address), static_cast<std::uint8_t*>(out), length);
    return 0;
}

int quillet_write_file(const quillet_snapshot* snapshot, const char* path, int pack) {
    if (!snapshot) return missing(snapshot, "snapshot");
    if (!path) return missing(snapshot, "path");
    return write_snapshot_file(snapshot->value, pack != 0, path, snapshot->reporter);
}

int quillet_write_size(const quillet_snapshot* snapshot, int pack, size_t* size) {
    if (!snapshot) return missing(snapshot, "snapshot");
    if (!size) return missing(snapshot, "size");
    SnapshotImage image;
    if (const int result = compose_snapshot(snapshot->value, pack != 0, &image, snapshot->reporter)) return result;
    *size = image.size;
    return 0;
}

int quillet_write_bytes(const quillet_snapshot* snapshot, int pack, void* out, size_t capacity, size_t* written) {
    if (!snapshot) return missing(snapshot, "snapshot");
    if (!written) return missing(snapshot, "written");
    if (!out && capacity > 0) return missing(snapshot, "out");
    if (!out) {
        // The size query: the size needed, and nothing to report.
        if (const int result = quillet_write_size(snapshot, pack, written)) return result;
        return ERR_OUTPUT_WRITE;
    }
    return write_snapshot_bytes(snapshot->value, pack != 0, static_cast<std::uint8_t*>(out), capacity, written,
                                QUILLET_MEMORY_NAME, snapshot->reporter);
}

int quillet_save_file(const char* path, const void* data, size_t length, quillet_report_fn report, void* user) {
    const Reporter reporter{report, user};
    if (!path) return report_failure(reporter, ERR_MISSING_VALUE, "path");
    if (!data && length > 0) return report_failure(reporter, ERR_MISSING_VALUE, "data");
    const ConstByteRange range{static_cast<const std::uint8_t*>(data), length};
    return write_file_whole(path, &range, 1, reporter);
}

struct quillet_output {
    platform::Output file;
    std::string path;
    Reporter reporter;
    std::unique_ptr<std::uint8_t[]> buffer;
    std::size_t used = 0;
    std::uint64_t flushed = 0;  // the bytes before the buffer's, in the file already
    bool failed = false;        // a write failed and was reported
};

namespace {

// Writes what `output` buffers; false (reported once) when it cannot.
bool flush_output(quillet_output* output) {
    if (output->failed) return false;
    const ConstByteRange range{output->buffer.get(), output->used};
    if (output->used > 0 && platform::write_ranges(&output->file, &range, 1) != 0) {
        output->failed = true;
        report_failure(output->reporter, ERR_OUTPUT_WRITE, output->path.c_str());
        return false;
    }
    output->flushed += output->used;
    output->used = 0;
    return true;
}

}  // namespace

namespace quillet {

bool output_goes_back(const quillet_output* output) { return !output->file.temporary.empty(); }

int rewrite_output(quillet_output* output, std::uint64_t offset, const std::uint8_t* data, std::size_t length) {
    if (output->failed) return ERR_OUTPUT_WRITE;
    const std::uint64_t end = offset + length;
    // The part still in the buffer is rewritten there; the part before it in the file.
    if (end > output->flushed) {
        const std::uint64_t from = offset > output->flushed ? offset : output->flushed;
        std::memcpy(output->buffer.get() + (from - output->flushed), data + (from - offset),
                    static_cast<std::size_t>(end - from));
    }
    if (offset < output->flushed) {
        const std::size_t before = static_cast<std::size_t>((end < output->flushed ? end : output->flushed) - offset);
        if (!output_goes_back(output) || platform::write_at(&output->file, offset, data, before) != 0) {
            output->failed = true;
            return report_failure(output->reporter, ERR_OUTPUT_WRITE, output->path.c_str());
        }
    }
    return 0;
}

}  // namespace quillet

int quillet_output_open(const char* path, quillet_output** output, quillet_report_fn report, void* user) {
    const Reporter reporter{report, user};
    if (!output) return report_failure(reporter, ERR_MISSING_VALUE, "output");
    *output = nullptr;
    if (!path) return report_failure(reporter, ERR_MISSING_VALUE, "path");
    std::unique_ptr<quillet_output> opened(new (std::nothrow) quillet_output);
    if (!opened) return report_failure(reporter, ERR_OUT_OF_MEMORY);
    opened->buffer.reset(new (std::nothrow) std::uint8_t[QUILLET_OUTPUT_BUFFER]);
    if (!opened->buffer) return report_failure(reporter, ERR_OUT_OF_MEMORY);
    opened->path = path;
    opened->reporter = reporter;
    if (platform::open_output(path, &opened->file) != platform::OpenOutputResult::OPENED) {
        return report_failure(reporter, ERR_OUTPUT_OPEN, path);
    }
    *output = opened.release();
    return 0;
}

int quillet_output_write(quillet_output* output, const void* data, size_t length) {
    if (!output) return ERR_MISSING_VALUE;
    if (!data && length > 0) return report_failure(output->reporter, ERR_MISSING_VALUE, "data");
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    while (length > 0) {
        if (output->failed) return ERR_OUTPUT_WRITE;
        const std::size_t room = QUILLET_OUTPUT_BUFFER - output->used;
        const std::size_t piece = length < room ? length : room;
        std::memcpy(output->buffer.get() + output->used, bytes, piece);
        output->used += piece;
        bytes += piece;
        length -= piece;
        if (output->used == QUILLET_OUTPUT_BUFFER && !flush_output(output)) return ERR_OUTPUT_WRITE;
    }
    return output->failed ? ERR_OUTPUT_WRITE : 0;
}

int quillet_output_commit(quillet_output* output) {
    if (!output) return ERR_MISSING_VALUE;
    std::unique_ptr<quillet_output> owned(output);
    if (!flush_output(output)) {
        platform::discard_output(&output->file);
        return ERR_OUTPUT_WRITE;
    }
    if (platform::commit_output(&output->file) != 0) {
        return report_failure(output->reporter, ERR_OUTPUT_WRITE, output->path.c_str());
    }
    return 0;
}

void quillet_output_discard(quillet_output* output) {
    if (!output) return;
    platform::discard_output(&output->file);
    delete output;
}

int quillet_save_files(const char* directory, const quillet_named_data* files, size_t count,
                       const char* const* stale, size_t stale_count, quillet_report_fn report, void* user) {
    const Reporter reporter{report, user};
    if (!directory) return report_failure(reporter, ERR_MISSING_VALUE, "directory");
    if (!files && count > 0) return report_failure(reporter, ERR_MISSING_VALUE, "files");
    if (!stale && stale_count > 0) return report_failure(reporter, ERR_MISSING_VALUE, "stale");
    std::unique_ptr<NamedOutput[]> outputs(new (std::nothrow) NamedOutput[count ? count : 1]);
    if (!outputs) return report_failure(reporter, ERR_OUT_OF_MEMORY);
    for (std::size_t i = 0; i < count; ++i) {
        if (!files[i].name) return report_failure(reporter, ERR_MISSING_VALUE, "files[].name");
        if (!files[i].data && files[i].length > 0) return report_failure(reporter, ERR_MISSING_VALUE, "files[].data");
        outputs[i] = NamedOutput{files[i].name, ConstByteRange{static_cast<const std::uint8_t*>(files[i].data),
                                                                files[i].length}};
    }
    for (std::size_t i = 0; i < stale_count; ++i) {
        if (!stale[i]) return report_failure(reporter, ERR_MISSING_VALUE, "stale[]");
    }
    return write_files_into(directory, outputs.get(), count, stale, stale_count, reporter);
}

int quillet_entry_kind(const char* path) {
    if (!path) return ERR_MISSING_VALUE;
    switch (platform::examine_entry(path)) {
    case platform::EntryKind::NOTHING: return QUILLET_ENTRY_NONE;
    case platform::EntryKind::REGULAR_FILE: return QUILLET_ENTRY_REGULAR;
    case platform::EntryKind::OTHER: break;
    }
    return QUILLET_ENTRY_OTHER;
}

int quillet_same_file(const char* a, const char* b) {
    if (!a || !b) return ERR_MISSING_VALUE;
    const platform::FileIdentity first = platform::identify_file(a);
    if (first.kind != platform::FileIdentity::Kind::REGULAR && first.kind != platform::FileIdentity::Kind::ABSENT) {
        return 0;
    }
    return platform::same_file(first, platform::identify_file(b)) ? 1 : 0;
}

long long quillet_file_size(const char* path) {
    if (!path) return ERR_MISSING_VALUE;
    return regular_file_size(path);
}

long quillet_file_read(const char* path, void* out, size_t capacity, quillet_report_fn report, void* user) {
    const Reporter reporter{report, user};
    if (!path) return report_failure(reporter, ERR_MISSING_VALUE, "path");
    if (!out && capacity > 0) return report_failure(reporter, ERR_MISSING_VALUE, "out");
    if (capacity > static_cast<size_t>(INT_MAX)) return report_failure(reporter, ERR_VALUE_RANGE, "capacity", INT_MAX);
    return read_input_file(path, static_cast<std::uint8_t*>(out), static_cast<int>(capacity), reporter);
}

long quillet_file_load(const char* path, size_t max_length, quillet_place_fn place, void* place_user,
                       quillet_report_fn report, void* user) {
    const Reporter reporter{report, user};
    if (!path) return report_failure(reporter, ERR_MISSING_VALUE, "path");
    if (!place) return report_failure(reporter, ERR_MISSING_VALUE, "place");
    if (max_length > static_cast<size_t>(INT_MAX)) {
        return report_failure(reporter, ERR_VALUE_RANGE, "max_length", INT_MAX);
    }
    struct Room {
        quillet_place_fn place;
        void* user;
    } room{place, place_user};
    const auto give = [](void* user, std::size_t size) {
        const Room* r = static_cast<const Room*>(user);
        return static_cast<std::uint8_t*>(r->place(r->user, size));
    };
    return load_file(path, static_cast<int>(max_length), give, &room, reporter);
}

long quillet_file_key(const char* path, char* out, size_t capacity) {
    if (!path || (!out && capacity > 0)) return ERR_MISSING_VALUE;
    try {
        const std::string key = file_key(path);
        if (key.size() < capacity) std::memcpy(out, key.c_str(), key.size() + 1);
        return static_cast<long>(key.size());
    } catch (const std::bad_alloc&) {
        return ERR_OUT_OF_MEMORY;
    }
}

int quillet_pack_block(uint8_t* output, size_t capacity, const uint8_t* source, size_t length) {
    if (!output || !source) return ERR_MISSING_VALUE;
    if (length == 0 || length > PAGE_BYTES || capacity < length) return ERR_VALUE_RANGE;
    return pack_block(output, source, static_cast<int>(length));
}

int quillet_unpack_block(uint8_t* destination, size_t capacity, const uint8_t* packed, size_t packed_length) {
    if (!destination || !packed) return ERR_MISSING_VALUE;
    if (capacity > PAGE_BYTES || packed_length > PAGE_BYTES) return ERR_VALUE_RANGE;
    const int result = unpack_block(destination, static_cast<int>(capacity), packed, static_cast<int>(packed_length));
    if (result == UNPACK_BAD_ARGUMENTS) return ERR_VALUE_RANGE;
    return result == UNPACK_LEFT_OVER ? ERR_BAD_BLOCK_SIZE : result;
}

int quillet_address_check(long address) {
    return address < 0 || address > ADDRESS_MAX ? ERR_VALUE_RANGE : 0;
}

int quillet_field_count(void) { return HEADER_FIELD_COUNT; }

int quillet_field_info(int field, quillet_field* info) {
    if (field < 0 || field >= HEADER_FIELD_COUNT) return ERR_VALUE_RANGE;
    if (!info) return ERR_MISSING_VALUE;
    const HeaderField& f = HEADER_FIELDS[field];
    *info = quillet_field{f.name,
                          f.offset,
                          f.width,
                          f.first_version,
                          f.role == FieldRole::SETTING ? 1 : 0,
                          static_cast<int>(f.form),
                          f.meaning};
    return 0;
}

int quillet_field_number(const char* name) {
    if (!name) return ERR_MISSING_VALUE;
    const int field = header_field_number(name);
    return field < 0 ? ERR_VALUE_RANGE : field;
}

namespace {

// A field number outside the table, or a byte count that does not suit
// its width: `enough` takes any count from the width up, else it must be
// the width.
int check_field(const quillet_snapshot* s, int field, size_t length, bool enough, const char* what) {
    if (field < 0 || field >= HEADER_FIELD_COUNT) return out_of_range(s, field, "field", HEADER_FIELD_COUNT - 1);
    const HeaderField& f = HEADER_FIELDS[field];
    const size_t width = static_cast<size_t>(f.width);
    if (length == width || (enough && length > width)) return 0;
    const std::string text = std::string(what) + " of field " + f.name + " (" + DecimalText(f.width).c_str() +
                             (enough ? " or more)" : ")");
    return report_failure(reporter_of(s), ERR_VALUE_RANGE, text.c_str(), static_cast<long>(length));
}

}  // namespace

int quillet_get_field(const quillet_snapshot* snapshot, int field, uint8_t* out, size_t capacity) {
    if (!snapshot) return missing(snapshot, "snapshot");
    if (!out) return missing(snapshot, "out");
    if (const int result = check_field(snapshot, field, capacity, true, "capacity")) return result;
    field_bytes(snapshot->value, field, out);
    return 0;
}

int quillet_set_field(quillet_snapshot* snapshot, int field, const uint8_t* bytes, size_t length) {
    if (!snapshot) return missing(snapshot, "snapshot");
    if (!bytes) return missing(snapshot, "bytes");
    if (const int result = check_field(snapshot, field, length, false, "length")) return result;
    const HeaderField& f = HEADER_FIELDS[field];
    if (f.role != FieldRole::SETTING) {
        const std::string text = std::string("a setting field (") + f.name + " is laid out by the writer)";
        return report_failure(snapshot->reporter, ERR_VALUE_RANGE, text.c_str(), static_cast<long>(field));
    }
    if (field >= FIELD_REGISTERS && field < FIELD_REGISTERS + REGISTER_COUNT) {
        return quillet_set_register(snapshot, field - FIELD_REGISTERS, read_word(bytes));
    }
    switch (field) {
    case FIELD_MODEL: return quillet_set_model(snapshot, bytes[0]);
    case FIELD_INTERRUPTS: return quillet_set_interrupts(snapshot, bytes[0]);
    case FIELD_VCPU_CIRCUIT: return quillet_set_vcpu_circuit(snapshot, bytes[0]);
    case FIELD_MAPPER_PORT: return quillet_set_mapper_port(snapshot, bytes[0]);
    case FIELD_MIF85: return quillet_set_mif85(snapshot, bytes[0]);
    default: break;
    }
    // The settings that take any bytes.
    std::uint8_t header[HEADER_BUFFER_SIZE] = {};
    lay_out_settings(snapshot->value, header);
    std::memcpy(header + f.offset, bytes, length);
    take_setting_fields(&snapshot->value, header);
    return 0;
}
