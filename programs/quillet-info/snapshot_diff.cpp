#include "snapshot_diff.hpp"

#include <algorithm>
#include <cstring>

#include "summary_fields.hpp"

namespace quillet::info {
namespace {

struct FieldSpec {
    const char* name;
    int offset;
    FieldKind kind;
};

constexpr int PERIPHERAL_BYTES_AFTER_ALLRAM = QUILLET_PERIPHERAL_STATE_SIZE - 1;

// The header fields that the emulator restores, in header order.
std::vector<FieldSpec> restored_fields() {
    std::vector<FieldSpec> fields = {
        {"version", QUILLET_OFFSET_VERSION, FIELD_NUMBER},
        {"model", QUILLET_OFFSET_COMPUTER_MODEL, FIELD_MODEL},
        {"interrupts_enabled", QUILLET_OFFSET_INTERRUPTS_ENABLED, FIELD_NUMBER},
    };
    for (int r = 0; r < QUILLET_REGISTER_COUNT; ++r) {
        fields.push_back({quillet_register_name(r), QUILLET_OFFSET_REGISTERS + HEADER_WORD_SIZE * r, FIELD_WORD});
    }
    fields.push_back({"allram", QUILLET_OFFSET_PERIPHERAL_STATE, FIELD_BYTE});
    for (int i = 1; i <= PERIPHERAL_BYTES_AFTER_ALLRAM; ++i) {
        fields.push_back({"peripheral_state", QUILLET_OFFSET_PERIPHERAL_STATE + i, FIELD_BYTE});
    }
    fields.push_back({"vcpu_interrupt_circuit", QUILLET_OFFSET_VCPU_CIRCUIT, FIELD_BYTE});
    fields.push_back({"mapper_port", QUILLET_OFFSET_MAPPER_PORT, FIELD_BYTE});
    fields.push_back({"mif85", QUILLET_OFFSET_MIF85_STATE, FIELD_BYTE});
    for (int i = 0; i < QUILLET_MUSICA_STATE_SIZE; ++i) {
        fields.push_back({"musica_state", QUILLET_OFFSET_MUSICA_STATE + i, FIELD_BYTE});
    }
    return fields;
}

// The header as the emulator takes it: a version 1 file has no add-on
// hardware, which reads as nothing plugged.
void restored_header(const SnapshotSummary& s, std::uint8_t* header) {
    std::memcpy(header, s.header, QUILLET_HEADER_SIZE_MAX);
    if (has_addon_hardware(s)) return;
    header[QUILLET_OFFSET_VCPU_CIRCUIT] = QUILLET_NOT_PLUGGED;
    header[QUILLET_OFFSET_MAPPER_PORT] = QUILLET_NOT_PLUGGED;
    header[QUILLET_OFFSET_MIF85_STATE] = QUILLET_NOT_PLUGGED;
    std::memcpy(header + QUILLET_OFFSET_MUSICA_STATE, MUSICA_UNPLUGGED_STATE, QUILLET_MUSICA_STATE_SIZE);
}

unsigned field_value(const std::uint8_t* header, const FieldSpec& field) {
    return field.kind == FIELD_WORD ? header_word(header, field.offset) : header[field.offset];
}

std::vector<HeaderDifference> compare_headers(const SnapshotSummary& a, const SnapshotSummary& b) {
    std::uint8_t header_a[QUILLET_HEADER_SIZE_MAX];
    std::uint8_t header_b[QUILLET_HEADER_SIZE_MAX];
    restored_header(a, header_a);
    restored_header(b, header_b);
    std::vector<HeaderDifference> differences;
    for (const FieldSpec& field : restored_fields()) {
        const unsigned value_a = field_value(header_a, field);
        const unsigned value_b = field_value(header_b, field);
        if (value_a != value_b) differences.push_back({field.name, field.offset, field.kind, value_a, value_b});
    }
    return differences;
}

std::vector<std::uint8_t> rom_image(const quillet_snapshot* snapshot) {
    std::vector<std::uint8_t> rom(quillet_rom_length(snapshot));
    quillet_read_rom(snapshot, rom.data(), rom.size());
    return rom;
}

bool compare_roms(const SnapshotSummary& a, const SnapshotSummary& b, RomDifference* difference) {
    const std::vector<std::uint8_t> rom_a = rom_image(a.snapshot);
    const std::vector<std::uint8_t> rom_b = rom_image(b.snapshot);
    const std::size_t common = std::min(rom_a.size(), rom_b.size());
    long first = -1;
    long count = static_cast<long>(std::max(rom_a.size(), rom_b.size()) - common);
    for (std::size_t i = 0; i < common; ++i) {
        if (rom_a[i] == rom_b[i]) continue;
        if (first < 0) first = static_cast<long>(i);
        ++count;
    }
    *difference = RomDifference{static_cast<long>(rom_a.size()), static_cast<long>(rom_b.size()),
                                first < 0 ? static_cast<long>(common) : first, count};
    return count > 0;
}

// Where the positions of `block` start: its address, or 0 in a mapper page.
long block_base(int block) { return block_in_address_space(block) ? block_first_address(block) : 0; }

void compare_block(const MemoryView& a, const MemoryView& b, int block, std::vector<MemoryDifference>* out) {
    const long base = block_base(block);
    if (a.page_present(block) != b.page_present(block)) {
        out->push_back({block, base, base + QUILLET_PAGE_SIZE - 1, QUILLET_PAGE_SIZE,
                        a.page_present(block) ? ABSENT_IN_B : ABSENT_IN_A});
        return;
    }
    if (!a.page_present(block)) return;
    bool open = false;  // whether out->back() is this block's range to extend
    for (long offset = 0; offset < QUILLET_PAGE_SIZE; ++offset) {
        if (a.byte(block, offset) == b.byte(block, offset)) continue;
        const long position = base + offset;
        if (open && position - out->back().last < DIFF_MERGE_DISTANCE) {
            out->back().last = position;
            ++out->back().count;
        } else {
            out->push_back({block, position, position, 1, ABSENT_NOWHERE});
            open = true;
        }
    }
}

}  // namespace

SnapshotDiff compare_snapshots(const SnapshotSummary& a, const SnapshotSummary& b) {
    SnapshotDiff diff;
    diff.header = compare_headers(a, b);
    diff.rom_differs = compare_roms(a, b, &diff.rom);
    const MemoryView view_a(a.snapshot);
    const MemoryView view_b(b.snapshot);
    for (int block = 0; block < QUILLET_PAGE_COUNT; ++block) compare_block(view_a, view_b, block, &diff.memory);
    return diff;
}

}  // namespace quillet::info
