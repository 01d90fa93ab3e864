#include "snapshot_facts.hpp"

#include <cstdio>
#include <cstring>
#include <string>

#include "failures.hpp"

namespace quillet::info {
namespace {

const char* const FORM_NAMES[] = {"raw", "fill", "run"};  // by QUILLET_FORM_*
const char* const ALLRAM_NAMES[] = {"on", "off", "other"};
const char* const PLUGGED_NAMES[] = {"not_plugged", "interrupt_disabled", "interrupt_enabled", "unknown"};
const char* const BLOCK_STATE_NAMES[] = {"absent", "present", "not_stored"};  // by QUILLET_BLOCK_*

constexpr unsigned LOW_BYTE_MASK = 0xFF;
constexpr int ADDRESS_SPACE_BLOCKS = QUILLET_ADDRESS_SPACE / QUILLET_PAGE_SIZE;

// Standard input as the library's source of bytes.
long read_standard_input(void*, void* data, std::size_t capacity) {
    const std::size_t n = std::fread(data, 1, capacity, stdin);
    if (n == 0 && std::ferror(stdin)) return -1;
    return static_cast<long>(n);
}

// Reads the snapshot `path`, or standard input for "-" (to its end, at
// most the largest snapshot); the size of what was read into `file_size`
// (-1 when it cannot be learned).
int read_snapshot(const char* path, quillet_snapshot* snapshot, long* file_size) {
    if (!is_standard_input(path)) {
        if (const int result = quillet_read_file(snapshot, path)) return result;
        *file_size = static_cast<long>(quillet_file_size(path));
        return 0;
    }
    std::size_t size = 0;
    if (const int result = quillet_read_stream(snapshot, read_standard_input, nullptr, path, &size)) return result;
    *file_size = static_cast<long>(size);
    return 0;
}

// The failure of a read as quillet prints it, and the line of its detail.
void print_read_failure(SnapshotFacts* facts) {
    facts->detail = quillet_last_detail(facts->snapshot);
    std::string text = quillet_last_message(facts->snapshot);
    if (!facts->detail.empty()) text += "\n" + facts->detail;
    common::print_failure(text.c_str());
}

}  // namespace

bool is_standard_input(const char* path) { return std::strcmp(path, STANDARD_INPUT_NAME) == 0; }

int gather_facts(const char* path, SnapshotFacts* facts) {
    *facts = SnapshotFacts{};
    facts->path = path;
    facts->file_size = -1;
    facts->snapshot = quillet_snapshot_new();
    if (!facts->snapshot) return common::report_failure(common::CONSOLE_FAILURES, QUILLET_ERR_OUT_OF_MEMORY);
    if (const int result = read_snapshot(path, facts->snapshot, &facts->file_size)) {
        print_read_failure(facts);
        return result;
    }
    quillet_set_reporter(facts->snapshot, common::print_report, nullptr);
    quillet_stored_layout(facts->snapshot, &facts->layout);
    quillet_stored_header(facts->snapshot, facts->header);
    quillet_stored_piece_info(facts->snapshot, QUILLET_PIECE_ROM, &facts->rom);
    for (int i = 0; i < QUILLET_PAGE_COUNT; ++i) quillet_stored_piece_info(facts->snapshot, i, &facts->blocks[i]);
    facts->end_offset = static_cast<long>(quillet_stored_end(facts->snapshot));
    return 0;
}

void release_facts(SnapshotFacts* facts) {
    quillet_snapshot_free(facts->snapshot);
    facts->snapshot = nullptr;
}

unsigned register_value(const SnapshotFacts& s, int reg) {
    return static_cast<unsigned>(quillet_get_register(s.snapshot, reg));
}

unsigned flags_byte(const SnapshotFacts& s) { return register_value(s, QUILLET_REG_AF) & LOW_BYTE_MASK; }

std::uint8_t allram_byte(const SnapshotFacts& s) {
    std::uint8_t state[QUILLET_PERIPHERAL_STATE_SIZE];
    quillet_get_peripheral_state(s.snapshot, state);
    return state[0];
}

int stored_vcpu_byte(const SnapshotFacts& s) { return s.header[QUILLET_OFFSET_VCPU_CIRCUIT]; }
int stored_mapper_byte(const SnapshotFacts& s) { return s.header[QUILLET_OFFSET_MAPPER_PORT]; }
int stored_mif85_byte(const SnapshotFacts& s) { return s.header[QUILLET_OFFSET_MIF85_STATE]; }

const char* form_name(int form) { return FORM_NAMES[form]; }

AllRamState allram_state(std::uint8_t byte) {
    if (byte == QUILLET_ALLRAM_ON) return ALLRAM_STATE_ON;
    return byte == QUILLET_ALLRAM_OFF ? ALLRAM_STATE_OFF : ALLRAM_STATE_OTHER;
}

const char* allram_name(AllRamState state) { return ALLRAM_NAMES[state]; }
const char* plugged_name(PluggedState state) { return PLUGGED_NAMES[state]; }

PluggedState vcpu_state(int byte) {
    switch (byte) {
    case QUILLET_NOT_PLUGGED: return NOT_PLUGGED_STATE;
    case QUILLET_VCPU_INTERRUPT_DISABLED: return INTERRUPT_DISABLED;
    case QUILLET_VCPU_INTERRUPT_ENABLED: return INTERRUPT_ENABLED;
    default: return UNKNOWN_STATE;
    }
}

PluggedState mif85_state(int byte) {
    switch (byte) {
    case QUILLET_NOT_PLUGGED: return NOT_PLUGGED_STATE;
    case QUILLET_MIF85_INTERRUPT_DISABLED: return INTERRUPT_DISABLED;
    case QUILLET_MIF85_INTERRUPT_ENABLED: return INTERRUPT_ENABLED;
    default: return UNKNOWN_STATE;
    }
}

bool mapper_present(int port_byte) { return port_byte != QUILLET_NOT_PLUGGED; }

const char* block_state_name(int state) { return BLOCK_STATE_NAMES[state]; }

bool block_in_address_space(int block) { return block < ADDRESS_SPACE_BLOCKS; }

long block_first_address(int block) { return static_cast<long>(block) * QUILLET_PAGE_SIZE; }

long trailing_bytes(const SnapshotFacts& s) { return s.file_size < 0 ? -1 : s.file_size - s.end_offset; }

}  // namespace quillet::info
