#include <gtest/gtest.h>

#include "snapshot/snapshot_reader.hpp"
#include "snapshot/snapshot_writer.hpp"
#include "unit/snapshot_test_support.hpp"

namespace quillet {
namespace {

using namespace quillet_test;

constexpr std::uint16_t RAW_PAGE = 16384;

class SnapshotWriting : public testing::Test {
protected:
    static constexpr const char* OUTPUT_NAME = "out.zvk";  // in dir
    SnapshotWriting() : output(dir.file(OUTPUT_NAME)) {}

    // The file written for `s`. The pieces composed and the bytes written to
    // memory must be the same bytes, nothing may be reported, and the
    // snapshot must not change.
    Bytes save(const Snapshot& s, bool pack = false) {
        const Bytes before = contents_of(s);
        ReportLog log;
        EXPECT_EQ(write_snapshot_file(s, pack, output.c_str(), log.reporter()), 0);
        const Bytes file = dir.read(OUTPUT_NAME);

        SnapshotImage image;
        EXPECT_EQ(compose_snapshot(s, pack, &image, log.reporter()), 0);
        Bytes composed;
        for (int i = 0; i < image.piece_count; ++i) {
            composed.insert(composed.end(), image.pieces[i].data, image.pieces[i].data + image.pieces[i].length);
        }
        EXPECT_EQ(image.size, composed.size());
        EXPECT_TRUE(same_bytes(file, composed));

        constexpr std::uint8_t UNTOUCHED = 0xAA;
        Bytes in_memory(file.size() + 1, UNTOUCHED);
        std::size_t written = 0;
        EXPECT_EQ(write_snapshot_bytes(s, pack, in_memory.data(), in_memory.size(), &written, "(memory)",
                                       log.reporter()),
                  0);
        EXPECT_EQ(written, file.size());
        EXPECT_EQ(in_memory.back(), UNTOUCHED);
        in_memory.pop_back();
        EXPECT_TRUE(same_bytes(file, in_memory));

        EXPECT_EQ(log.reports, Reports{});
        EXPECT_EQ(contents_of(s), before);
        return file;
    }
    Bytes save(bool pack = false) { return save(snapshot, pack); }

    TempDir dir;
    std::string output;
    Snapshot snapshot;
};

TEST_F(SnapshotWriting, DefaultVersion1SnapshotWithOnePage) {
    set_page(&snapshot, 0, ascending(PAGE_BYTES));
    HeaderFields expected;
    expected.block_lengths[0] = RAW_PAGE;
    const Bytes file = save();
    EXPECT_EQ(file.size(), 16440u);
    EXPECT_TRUE(same_bytes(join({header_bytes(expected), ascending(PAGE_BYTES)}), file));
}

TEST_F(SnapshotWriting, NoPagesGiveTheHeaderAlone) {
    EXPECT_TRUE(same_bytes(header_bytes(HeaderFields()), save()));
}

TEST_F(SnapshotWriting, SettingsReachTheHeaderAsHeld) {
    snapshot.model = MODEL_C2717;
    snapshot.interrupts_enabled = true;
    const std::uint16_t registers[REGISTER_COUNT] = {0xFFFF, 0x2345, 0x3456, 0xBEEF, 0x5678, 0};
    std::copy(registers, registers + REGISTER_COUNT, snapshot.registers);
    for (int i = 0; i < PERIPHERAL_STATE_SIZE; ++i) snapshot.peripheral_state[i] = static_cast<std::uint8_t>(0xC0 + i);
    set_allram(&snapshot, true);  // byte 30 only
    HeaderFields expected;
    expected.model = 7;
    expected.interrupts_enabled = 1;
    expected.registers = {0xFFFF, 0x2345, 0x3456, 0xBEEF, 0x5678, 0};
    for (std::size_t i = 0; i < expected.peripheral_state.size(); ++i) {
        expected.peripheral_state[i] = static_cast<std::uint8_t>(0xC0 + i);
    }
    expected.peripheral_state[0] = 0x82;
    EXPECT_TRUE(same_bytes(header_bytes(expected), save()));
}

TEST_F(SnapshotWriting, MusicaWritesVersion2WithFourBlocksOnly) {
    set_musica(&snapshot, true);
    set_page(&snapshot, 1, repeated(PAGE_BYTES, 0x11));
    set_page(&snapshot, 5, repeated(PAGE_BYTES, 0x55));  // not written without the mapper
    HeaderFields expected = version_2(HeaderFields());
    expected.block_lengths[1] = RAW_PAGE;
    expected.musica_state = MUSICA_PLUGGED;
    EXPECT_TRUE(same_bytes(join({header_bytes(expected), repeated(PAGE_BYTES, 0x11)}), save()));
}

TEST_F(SnapshotWriting, EachAddOnByteMakesVersion2) {
    const struct {
        std::uint8_t Snapshot::*field;
        std::uint8_t HeaderFields::*expected_field;
        std::uint8_t value;
    } cases[] = {
        {&Snapshot::vcpu_circuit, &HeaderFields::vcpu_interrupt_circuit, 0x07},
        {&Snapshot::vcpu_circuit, &HeaderFields::vcpu_interrupt_circuit, 0x87},
        {&Snapshot::mif85_state, &HeaderFields::mif85_state, 0},
        {&Snapshot::mif85_state, &HeaderFields::mif85_state, 1},
        {&Snapshot::mapper_port, &HeaderFields::mapper_port_value, 0},
    };
    for (const auto& c : cases) {
        Snapshot s;
        s.*c.field = c.value;
        HeaderFields expected = version_2(HeaderFields());
        expected.*c.expected_field = c.value;
        EXPECT_TRUE(same_bytes(header_bytes(expected), save(s))) << int(c.value);
    }
}

TEST_F(SnapshotWriting, MemoryMapperWritesAllSixteenBlocks) {
    snapshot.mapper_port = 5;
    set_page(&snapshot, 9, ascending(PAGE_BYTES, 9));
    set_page(&snapshot, 15, ascending(PAGE_BYTES, 15));
    HeaderFields expected = version_2(HeaderFields());
    expected.mapper_port_value = 5;
    expected.block_lengths[9] = RAW_PAGE;
    expected.block_lengths[15] = RAW_PAGE;
    EXPECT_TRUE(same_bytes(join({header_bytes(expected), ascending(PAGE_BYTES, 9), ascending(PAGE_BYTES, 15)}), save()));
}

TEST_F(SnapshotWriting, Block2IsLeftOutForModelsWithoutIt) {
    snapshot.model = MODEL_V1;
    set_page(&snapshot, 2, repeated(PAGE_BYTES, 0x22));
    set_page(&snapshot, 3, repeated(PAGE_BYTES, 0x33));
    HeaderFields expected;
    expected.model = 0;
    expected.block_lengths[3] = RAW_PAGE;
    EXPECT_TRUE(same_bytes(join({header_bytes(expected), repeated(PAGE_BYTES, 0x33)}), save()));
}

TEST_F(SnapshotWriting, PackingStoresFillRunAndRawForms) {
    set_page(&snapshot, 0, repeated(PAGE_BYTES, 0));
    set_page(&snapshot, 1, ascending(PAGE_BYTES));
    set_page(&snapshot, 3, join({repeated(PAGE_BYTES - 1, 0xFF), {0x00}}));
    Bytes runs;
    for (int i = 0; i < 126; ++i) runs.insert(runs.end(), {0x7F, 0xFF});
    runs.insert(runs.end(), {0x00, 0xFF, 0x80, 0x00});
    HeaderFields expected;
    expected.block_lengths[0] = 1;
    expected.block_lengths[1] = RAW_PAGE;
    expected.block_lengths[3] = 256;
    EXPECT_TRUE(same_bytes(join({header_bytes(expected), {0x00}, ascending(PAGE_BYTES), runs}), save(true)));
}

TEST_F(SnapshotWriting, RomDescriptorAndImage) {
    struct Case {
        const char* name;
        Bytes rom;
        int model;
        bool pack;
        std::uint16_t descriptor;
        Bytes stored;
    } cases[] = {
        {"raw 1024", ascending(1024), MODEL_V2A, false, 0x8400, ascending(1024)},
        {"V3 keeps 8192", ascending(9216), MODEL_V3, false, 0xA000, ascending(8192)},
        {"V2A keeps 9216", ascending(9216), MODEL_V2A, false, 0x8000 | 9216, ascending(9216)},
        {"fill", repeated(1024, 0xFF), MODEL_V2A, true, 0x0001, {0xFF}},
        {"one byte", {0x42}, MODEL_V2A, true, 0x8001, {0x42}},
        {"run form", join({repeated(1023, 0xFF), {0x00}}), MODEL_V2A, true, 0x0012,
         {0x7F, 0xFF, 0x7F, 0xFF, 0x7F, 0xFF, 0x7F, 0xFF, 0x7F, 0xFF, 0x7F, 0xFF, 0x7F, 0xFF, 0x6E, 0xFF,
          0x80, 0x00}},
        {"packed but raw", ascending(2048), MODEL_V2A, true, 0x8800, ascending(2048)},
    };
    for (const Case& c : cases) {
        Snapshot s;
        ASSERT_EQ(s.rom.allocate(c.rom.size(), Reporter{}), 0);
        std::copy(c.rom.begin(), c.rom.end(), s.rom.data());
        s.model = c.model;
        HeaderFields expected;
        expected.model = static_cast<std::uint8_t>(c.model);
        expected.rom_descriptor = c.descriptor;
        EXPECT_TRUE(same_bytes(join({header_bytes(expected), c.stored}), save(s, c.pack))) << c.name;
    }
}

// A header with values that differ from every default.
HeaderFields read_header() {
    HeaderFields t;
    t.model = 0;
    t.interrupts_enabled = 1;
    t.registers = {0x12FF, 0x2345, 0x3456, 0x4567, 0x5678, 0x6789};  // F with bits 3 and 5 set
    for (std::size_t i = 0; i < t.peripheral_state.size(); ++i) {
        t.peripheral_state[i] = static_cast<std::uint8_t>(0xC0 + i);
    }
    return t;
}

TEST_F(SnapshotWriting, ReadVersion2SnapshotWrittenWithFourBlocksClearsTheOtherWords) {
    HeaderFields t = version_2(read_header());
    t.model = 2;
    t.mapper_port_value = 3;
    t.vcpu_interrupt_circuit = 0x87;
    t.reserved.fill(0x5A);
    t.block_lengths.fill(1);  // sixteen blocks in the fill form
    Bytes file = header_bytes(t);
    for (int i = 0; i < PAGE_COUNT; ++i) file.push_back(static_cast<std::uint8_t>(i));
    ASSERT_EQ(read_snapshot_bytes(file.data(), file.size(), "(memory)", &snapshot, Reporter{}), 0);
    snapshot.mapper_port = NOT_PLUGGED;
    snapshot.vcpu_circuit = NOT_PLUGGED;
    set_musica(&snapshot, true);

    HeaderFields expected = t;
    expected.mapper_port_value = 0xFF;
    expected.vcpu_interrupt_circuit = 0xFF;
    expected.reserved.fill(0);
    expected.musica_state = MUSICA_PLUGGED;
    expected.block_lengths.fill(0);
    for (int i = 0; i < 4; ++i) expected.block_lengths[i] = RAW_PAGE;
    EXPECT_TRUE(same_bytes(join({header_bytes(expected), repeated(PAGE_BYTES, 0), repeated(PAGE_BYTES, 1),
                                 repeated(PAGE_BYTES, 2), repeated(PAGE_BYTES, 3)}),
                           save()));
}

TEST_F(SnapshotWriting, ReadVersion2SnapshotWithoutAddOnsIsWrittenAsVersion1) {
    HeaderFields t = version_2(read_header());
    t.block_lengths[6] = 1;
    const Bytes file = join({header_bytes(t), {0x66}});
    ASSERT_EQ(read_snapshot_bytes(file.data(), file.size(), "(memory)", &snapshot, Reporter{}), 0);
    ASSERT_TRUE(snapshot.pages[6]);
    EXPECT_TRUE(same_bytes(header_bytes(read_header()), save()));
}

TEST_F(SnapshotWriting, MissingDirectoryFailsWithoutWriting) {
    const std::string path = dir.file("missing/out.zvk");
    ReportLog log;
    EXPECT_EQ(write_snapshot_file(snapshot, false, path.c_str(), log.reporter()), ERR_OUTPUT_OPEN);
    EXPECT_EQ(log.reports, (Reports{{ERR_OUTPUT_OPEN, message("Can't open output file '%s'!", path)}}));
    EXPECT_TRUE(dir.entries().empty());
}

}  // namespace
}  // namespace quillet
