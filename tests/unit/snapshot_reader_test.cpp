#include <gtest/gtest.h>

#include "snapshot/snapshot_reader.hpp"
#include "unit/snapshot_test_support.hpp"

namespace quillet {
namespace {

using namespace quillet_test;

constexpr unsigned RAW = 16384;

// A bare header: no ROM image, no blocks.
HeaderFields bare(std::uint8_t version = 1) {
    HeaderFields h;
    if (version == 2) h = version_2(h);
    return h;
}

// Stored runs that decode to `count` bytes 0x00 (repeat runs only).
Bytes zero_runs(int count) {
    Bytes runs;
    for (; count >= 130; count -= 130) runs.insert(runs.end(), {0x7F, 0x00});
    if (count > 0) runs.insert(runs.end(), {static_cast<std::uint8_t>(count - 3), 0x00});
    return runs;
}

class SnapshotReading : public testing::Test {
protected:
    static constexpr const char* FILE_NAME = "template.zvk";  // in dir
    SnapshotReading() : path(dir.file(FILE_NAME)) {}
    // Reads `file` from the disk into `snapshot`, reports into `log`.
    int read(const Bytes& file) {
        dir.write(FILE_NAME, file);
        return read_snapshot_file(path.c_str(), &snapshot, log.reporter());
    }

    TempDir dir;
    std::string path;
    Snapshot snapshot;
    ReportLog log;
};

TEST_F(SnapshotReading, DamagedFilesAreRejectedAndTheSnapshotIsLeftAsItWas) {
    const std::string no_header = "Bad or no ZVK header in file: '%s'!";
    const std::string bad_size = "Bad size of memory blocks after unpack in ZVK file: '%s'!";
    const std::string short_read = "Can't read from the source file '%s'!";
    const Bytes header = header_bytes(bare());
    const auto with = [](auto change) {
        HeaderFields h = bare();
        change(h);
        return header_bytes(h);
    };
    const auto block0 = [&](const Bytes& stored) {
        const auto length = static_cast<std::uint16_t>(stored.size());
        return join({with([&](HeaderFields& h) { h.block_lengths[0] = length; }), stored});
    };
    struct Case {
        const char* name;
        Bytes file;
        int code;
        std::string format;
    } cases[] = {
        {"empty", {}, ERR_SOURCE_READ, short_read},
        {"6 bytes", Bytes{'Z', 'V', 'K', 1, 56, 0}, ERR_SOURCE_READ, short_read},
        {"short header", Bytes(header.begin(), header.begin() + 30), ERR_SOURCE_READ, short_read},
        {"lower-case magic", with([](HeaderFields& h) { h.magic = {'z', 'v', 'k'}; }), ERR_BAD_HEADER,
         no_header},
        {"bad magic and version", with([](HeaderFields& h) { h.magic[2] = 'X'; h.version = 9; }),
         ERR_BAD_HEADER, no_header},
        {"version 0", with([](HeaderFields& h) { h.version = 0; }), ERR_BAD_VERSION,
         "Bad ZVK version `0` in file: '%s'!"},
        {"version 3", with([](HeaderFields& h) { h.version = 3; }), ERR_BAD_VERSION,
         "Bad ZVK version `3` in file: '%s'!"},
        {"version 3, length 0", join({{'Z', 'V', 'K', 3, 0, 0, 2}, repeated(49, 0)}), ERR_BAD_VERSION,
         "Bad ZVK version `3` in file: '%s'!"},
        {"version 255", with([](HeaderFields& h) { h.version = 255; }), ERR_BAD_VERSION,
         "Bad ZVK version `255` in file: '%s'!"},
        {"length 55", with([](HeaderFields& h) { h.header_length = 55; }), ERR_BAD_HEADER, no_header},
        {"length 125", with([](HeaderFields& h) { h.header_length = 125; }), ERR_BAD_HEADER, no_header},
        {"length 0x0138", with([](HeaderFields& h) { h.header_length = 0x0138; }), ERR_BAD_HEADER, no_header},
        {"model 8", with([](HeaderFields& h) { h.model = 8; }), ERR_UNKNOWN_MODEL,
         "Unknown computer model `8` in ZVK file: '%s'!"},
        {"model 200, length 125", with([](HeaderFields& h) { h.model = 200; h.header_length = 125; }),
         ERR_BAD_HEADER, no_header},
        {"block 0 too long", with([](HeaderFields& h) { h.block_lengths[0] = 16385; }), ERR_BAD_HEADER, no_header},
        {"block 3 too long", with([](HeaderFields& h) { h.block_lengths[3] = 0xFFFF; }), ERR_BAD_HEADER, no_header},
        {"V1 block 2 too long", with([](HeaderFields& h) { h.model = 0; h.block_lengths[2] = 16385; }),
         ERR_BAD_HEADER, no_header},
        {"v2 block 15 too long", with([](HeaderFields& h) { h = version_2(h); h.block_lengths[15] = 16385; }),
         ERR_BAD_HEADER, no_header},
        {"ROM 0x8000", with([](HeaderFields& h) { h.rom_descriptor = 0x8000; }), ERR_BAD_BLOCK_SIZE, bad_size},
        {"ROM 0x4001", with([](HeaderFields& h) { h.rom_descriptor = 0x4001; }), ERR_BAD_HEADER, no_header},
        {"ROM 0xC001", with([](HeaderFields& h) { h.rom_descriptor = 0xC001; }), ERR_BAD_HEADER, no_header},
        {"ROM cut short",
         join({with([](HeaderFields& h) { h.rom_descriptor = 0x8400; }), repeated(1023, 0x11)}),
         ERR_SOURCE_READ, short_read},
        {"ROM whose last run is cut",
         join({with([](HeaderFields& h) { h.rom_descriptor = 3; }), {0x83, 0x01, 0x02}}), ERR_BAD_BLOCK_SIZE,
         bad_size},
        {"block cut short", join({with([](HeaderFields& h) { h.block_lengths[0] = RAW; }), repeated(16383, 1)}),
         ERR_SOURCE_READ, short_read},
        {"block decodes to 16383", block0(zero_runs(16383)), ERR_BAD_BLOCK_SIZE, bad_size},
        {"block with bytes left over", block0(join({zero_runs(16384), {0x80, 0x01}})), ERR_BAD_BLOCK_SIZE,
         bad_size},
        {"block whose last run is cut", block0(join({zero_runs(16380), {0x83, 0x01, 0x02}})),
         ERR_BAD_BLOCK_SIZE, bad_size},
        {"second block missing",
         join({with([](HeaderFields& h) { h.block_lengths[0] = 1; h.block_lengths[1] = 1; }), {0xE5}}),
         ERR_SOURCE_READ, short_read},
    };
    // What the snapshot held before: it must hold exactly that afterwards.
    HeaderFields earlier = bare(2);
    earlier.model = MODEL_V3;
    earlier.mapper_port_value = 3;
    earlier.rom_descriptor = 1;
    earlier.block_lengths[0] = 1;
    earlier.block_lengths[9] = 1;
    ASSERT_EQ(read(join({header_bytes(earlier), {0x77}, {0x11}, {0x99}})), 0);
    const Bytes before = contents_of(snapshot);
    for (const Case& c : cases) {
        log.reports.clear();
        EXPECT_EQ(read(c.file), c.code) << c.name;
        EXPECT_EQ(log.reports, (Reports{{c.code, message(c.format, path)}})) << c.name;
        EXPECT_EQ(contents_of(snapshot), before) << c.name;

        // The same bytes from memory: the same checks in the same order.
        ReportLog memory_log;
        EXPECT_EQ(read_snapshot_bytes(c.file.data(), c.file.size(), "(memory)", &snapshot, memory_log.reporter()),
                  c.code)
            << c.name;
        EXPECT_EQ(memory_log.reports, (Reports{{c.code, message(c.format, "(memory)")}})) << c.name;
        EXPECT_EQ(contents_of(snapshot), before) << c.name;
    }
}

TEST_F(SnapshotReading, MissingFileCannotBeOpened) {
    EXPECT_EQ(read_snapshot_file("no-such-template.zvk", &snapshot, log.reporter()), ERR_SOURCE_OPEN);
    EXPECT_EQ(log.reports, (Reports{{ERR_SOURCE_OPEN, "Can't open source file 'no-such-template.zvk'!"}}));
}

TEST_F(SnapshotReading, HeaderLengthBoundsAreAcceptedWithEitherVersion) {
    for (std::uint8_t version : {1, 2}) {
        for (unsigned length : {56u, 124u}) {
            HeaderFields h = bare(version);
            h.header_length = static_cast<std::uint16_t>(length);
            EXPECT_EQ(read(header_bytes(h)), 0) << int(version) << " " << length;
            EXPECT_EQ(snapshot.stored.header_length, static_cast<int>(length));
            EXPECT_EQ(log.reports, Reports{});
        }
    }
}

TEST_F(SnapshotReading, Version1WithLongHeaderHasItsRomAfterTheHeader) {
    HeaderFields h = bare();
    h.header_length = 100;
    h.rom_descriptor = 0x8001;
    h.block_lengths[0] = 1;
    h.block_lengths[4] = RAW;  // a version 1 file has no block 4: ignored
    const Bytes header = header_bytes(h);
    ASSERT_EQ(read(join({header, {0x5A}, {0xE5}})), 0);
    EXPECT_EQ(rom_of(snapshot), Bytes{0x5A});
    EXPECT_EQ(present_pages(snapshot), std::vector<int>{0});
    EXPECT_EQ(page_of(snapshot, 0), repeated(PAGE_BYTES, 0xE5));
    EXPECT_EQ(Bytes(snapshot.stored.header, snapshot.stored.header + HEADER_BUFFER_SIZE),
              join({header, repeated(24, 0)}));
}

TEST_F(SnapshotReading, Version2WithShortHeaderHasOnlyFourBlocks) {
    HeaderFields h = bare(2);
    h.header_length = 56;
    h.block_lengths[0] = RAW;
    ASSERT_EQ(read(join({header_bytes(h), ascending(PAGE_BYTES), repeated(200, 0x01)})), 0);
    EXPECT_EQ(present_pages(snapshot), std::vector<int>{0});
    EXPECT_EQ(page_of(snapshot, 0), ascending(PAGE_BYTES));
    EXPECT_EQ(snapshot.stored.end, 56u + PAGE_BYTES);  // the 200 bytes after it are not part of it
}

TEST_F(SnapshotReading, Version2BlocksAllStoredFormsAndWhereTheyStood) {
    HeaderFields h = bare(2);
    h.rom_descriptor = 0x8002;
    h.block_lengths[1] = 1;
    const std::size_t runs = zero_runs(PAGE_BYTES).size();
    h.block_lengths[7] = static_cast<std::uint16_t>(runs);
    h.block_lengths[15] = RAW;
    ASSERT_EQ(read(join({header_bytes(h), {0x01, 0x02}, {0x11}, zero_runs(PAGE_BYTES), ascending(PAGE_BYTES, 15)})), 0);
    EXPECT_EQ(present_pages(snapshot), (std::vector<int>{1, 7, 15}));
    EXPECT_EQ(page_of(snapshot, 1), repeated(PAGE_BYTES, 0x11));
    EXPECT_EQ(page_of(snapshot, 7), repeated(PAGE_BYTES, 0));
    EXPECT_EQ(page_of(snapshot, 15), ascending(PAGE_BYTES, 15));

    const auto piece = [](const StoredPiece& p) {
        return std::vector<std::size_t>{p.present ? 1u : 0u, p.offset, p.stored_length, p.unpacked_length};
    };
    using Piece = std::vector<std::size_t>;
    EXPECT_EQ(piece(snapshot.stored.rom), (Piece{1, 124, 2, 2}));
    EXPECT_EQ(piece(snapshot.stored.blocks[1]), (Piece{1, 126, 1, RAW}));
    EXPECT_EQ(piece(snapshot.stored.blocks[7]), (Piece{1, 127, runs, RAW}));
    EXPECT_EQ(piece(snapshot.stored.blocks[15]), (Piece{1, 127 + runs, RAW, RAW}));
    EXPECT_EQ(piece(snapshot.stored.blocks[0]), (Piece{0, 0, 0, 0}));
    EXPECT_EQ(snapshot.stored.end, 127 + runs + RAW);
}

TEST_F(SnapshotReading, Block2IsSkippedForModelsWithoutIt) {
    HeaderFields h = bare();
    h.model = 0;
    h.block_lengths = {1, 1, 5000, 1};
    ASSERT_EQ(read(join({header_bytes(h), {0x00}, {0x11}, {0x33}})), 0);
    EXPECT_EQ(present_pages(snapshot), (std::vector<int>{0, 1, 3}));
    EXPECT_EQ(page_of(snapshot, 0), repeated(PAGE_BYTES, 0x00));
    EXPECT_EQ(page_of(snapshot, 1), repeated(PAGE_BYTES, 0x11));
    EXPECT_EQ(page_of(snapshot, 3), repeated(PAGE_BYTES, 0x33));
}

TEST_F(SnapshotReading, Block2OfAV3SnapshotIsRead) {
    HeaderFields h = bare();
    h.model = 3;
    h.block_lengths = {0, 0, 1, 1};
    ASSERT_EQ(read(join({header_bytes(h), {0x22}, {0x33}})), 0);
    EXPECT_EQ(page_of(snapshot, 2), repeated(PAGE_BYTES, 0x22));
    EXPECT_EQ(page_of(snapshot, 3), repeated(PAGE_BYTES, 0x33));
}

TEST_F(SnapshotReading, RomImageFormsReplaceTheImageHeldBefore) {
    struct Case {
        const char* name;
        std::uint16_t descriptor;
        Bytes stored;
        Bytes image;
    } cases[] = {
        {"raw 5000", 0x9388, ascending(5000), ascending(5000)},
        {"raw 16384", 0xC000, ascending(PAGE_BYTES), ascending(PAGE_BYTES)},
        {"raw 1 byte", 0x8001, {0xFF}, {0xFF}},
        {"fill", 0x0001, {0xFF}, repeated(PAGE_BYTES, 0xFF)},
        {"runs", 0x0005, {0x05, 0x41, 0x81, 0x42, 0x43}, join({repeated(8, 0x41), {0x42, 0x43}})},
        {"unflagged 16384", 0x4000, ascending(PAGE_BYTES), ascending(PAGE_BYTES)},
        {"none", 0x0000, {}, {}},
    };
    for (const Case& c : cases) {
        Snapshot fresh;
        ASSERT_EQ(fresh.rom.allocate(2048, Reporter{}), 0);  // replaced by the file's image
        HeaderFields h = bare();
        h.rom_descriptor = c.descriptor;
        h.block_lengths[0] = 1;
        const Bytes file = join({header_bytes(h), c.stored, {0x77}});
        ASSERT_EQ(read_snapshot_bytes(file.data(), file.size(), "(memory)", &fresh, log.reporter()), 0) << c.name;
        EXPECT_EQ(rom_of(fresh), c.image) << c.name;
        EXPECT_EQ(page_of(fresh, 0), repeated(PAGE_BYTES, 0x77)) << c.name;
    }
}

TEST_F(SnapshotReading, SettingsAreTakenFromTheHeader) {
    HeaderFields h = bare(2);
    h.model = 3;
    h.interrupts_enabled = 1;
    h.registers = {0x1111, 0x2222, 0x3333, 0x4444, 0x5555, 0x6666};  // taken as stored, F bits included
    for (std::size_t i = 0; i < h.peripheral_state.size(); ++i) {
        h.peripheral_state[i] = static_cast<std::uint8_t>(0xC0 + i);
    }
    h.vcpu_interrupt_circuit = 0x87;
    h.mapper_port_value = 7;
    h.mif85_state = 1;
    h.musica_state = MUSICA_PLUGGED;
    // The add-on bytes of a version 1 file, and those beyond a short
    // version 2 header, read as not plugged.
    struct Case {
        const char* name;
        std::uint8_t version;
        std::uint16_t header_length;
        std::uint8_t vcpu, mapper, mif85;
        bool musica;
    } cases[] = {
        {"version 2", 2, 124, 0x87, 7, 1, true},
        {"version 2 without MUSICA bytes", 2, 123, 0x87, 7, 1, false},
        {"version 2 up to the block lengths", 2, 82, 0x87, 7, 0xFF, false},
        {"version 2 of 56 bytes", 2, 56, 0xFF, 0xFF, 0xFF, false},
        {"version 1 of 124 bytes", 1, 124, 0xFF, 0xFF, 0xFF, false},
    };
    for (const Case& c : cases) {
        h.version = c.version;
        h.header_length = c.header_length;
        ASSERT_EQ(read(header_bytes(h)), 0) << c.name;
        EXPECT_EQ(snapshot.model, MODEL_V3) << c.name;
        EXPECT_TRUE(snapshot.interrupts_enabled) << c.name;
        EXPECT_EQ(std::vector<std::uint16_t>(snapshot.registers, snapshot.registers + REGISTER_COUNT),
                  std::vector<std::uint16_t>(h.registers.begin(), h.registers.end()))
            << c.name;
        EXPECT_EQ(Bytes(snapshot.peripheral_state, snapshot.peripheral_state + PERIPHERAL_STATE_SIZE),
                  Bytes(h.peripheral_state.begin(), h.peripheral_state.end()))
            << c.name;
        EXPECT_EQ(snapshot.vcpu_circuit, c.vcpu) << c.name;
        EXPECT_EQ(snapshot.mapper_port, c.mapper) << c.name;
        EXPECT_EQ(snapshot.mif85_state, c.mif85) << c.name;
        const auto& musica = c.musica ? MUSICA_PLUGGED : MUSICA_UNPLUGGED;
        EXPECT_EQ(Bytes(snapshot.musica_state, snapshot.musica_state + MUSICA_STATE_SIZE),
                  Bytes(musica.begin(), musica.end()))
            << c.name;
    }
}

}  // namespace
}  // namespace quillet
