#include "snapshot_facts.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "failures.hpp"

namespace quillet::info {
namespace {

const char* const FORM_NAMES[] = {"raw", "fill", "run"};  // by QUILLET_FORM_*
const char* const ALLRAM_NAMES[] = {"on", "off", "other"};
const char* const PLUGGED_NAMES[] = {"not_plugged", "interrupt_disabled", "interrupt_enabled", "unknown"};
const char* const BLOCK_STATE_NAMES[] = {"absent", "present", "not_stored"};  // by QUILLET_BLOCK_*

constexpr std::size_t READ_CHUNK = 16384;
constexpr unsigned LOW_BYTE_MASK = 0xFF;
constexpr int ADDRESS_SPACE_BLOCKS = QUILLET_ADDRESS_SPACE / QUILLET_PAGE_SIZE;

// Reads standard input to its end: its first `keep` bytes into `data`, the
// rest only counted. Returns the number of bytes it held. A read error ends
// the reading early; what a snapshot then lacks, its reader reports.
long read_standard_input(std::size_t keep, std::vector<std::uint8_t>* data) {
    data->clear();
    std::uint8_t chunk[READ_CHUNK];
    long total = 0;
    for (;;) {
        const std::size_t n = std::fread(chunk, 1, sizeof chunk, stdin);
        if (n == 0) break;
        const std::size_t kept = data->size() < keep ? std::min(n, keep - data->size()) : 0;
        data->insert(data->end(), chunk, chunk + kept);
        total += static_cast<long>(n);
    }
    return total;
}

// Reads the snapshot `path`, or standard input for "-"; the size of what
// was read into `file_size` (-1 when it cannot be learned).
int read_snapshot(const char* path, quillet_snapshot* snapshot, long* file_size) {
    if (!is_standard_input(path)) {
        if (const int result = quillet_read_file(snapshot, path)) return result;
        *file_size = static_cast<long>(quillet_file_size(path));
        return 0;
    }
    std::vector<std::uint8_t> content;
    const long size = read_standard_input(QUILLET_SNAPSHOT_SIZE_MAX, &content);
    if (const int result = quillet_read_bytes(snapshot, content.data(), content.size(), path)) return result;
    *file_size = size;
    return 0;
}

}  // namespace

bool is_standard_input(const char* path) { return std::strcmp(path, STANDARD_INPUT_NAME) == 0; }

int gather_facts(const char* path, SnapshotFacts* facts) {
    *facts = SnapshotFacts{};
    facts->path = path;
    facts->file_size = -1;
    facts->snapshot = quillet_snapshot_new();
    if (!facts->snapshot) return common::report_failure(common::CONSOLE_FAILURES, QUILLET_ERR_OUT_OF_MEMORY);
    quillet_set_reporter(facts->snapshot, common::print_report, nullptr);
    if (const int result = read_snapshot(path, facts->snapshot, &facts->file_size)) return result;
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
