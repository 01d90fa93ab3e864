// The public C interface. Expected bytes come from the tests' own header model.
#include <gtest/gtest.h>

#include <filesystem>
#include <algorithm>
#include <functional>
#include <iterator>

#include "quillet/quillet.h"
#include "support/target.hpp"
#include "unit/snapshot_test_support.hpp"

namespace {

using namespace quillet_test;
using S = quillet_snapshot*;

// A snapshot whose reports are collected.
struct Handle {
    Handle() { quillet_set_reporter(s, ReportLog::take, &log); }
    ~Handle() { quillet_snapshot_free(s); }
    S s = quillet_snapshot_new();
    ReportLog log;
};

// The bytes quillet_write_bytes gives, as many as quillet_write_size says.
Bytes written(const quillet_snapshot* s, int pack) {
    std::size_t size = 0;
    std::size_t count = 0;
    EXPECT_EQ(quillet_write_size(s, pack, &size), 0);
    Bytes out(size);
    EXPECT_EQ(quillet_write_bytes(s, pack, out.data(), out.size(), &count), 0);
    EXPECT_EQ(count, size);
    return out;
}

TEST(CApi, BadArgumentsAreRefusedWithOneNamedFailureAndChangeNothing) {
    const std::uint8_t data[2] = {1, 2};
    std::uint8_t out[8] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA};  // shorter than any snapshot
    std::size_t count = 0;
    const struct {
        std::function<int(S)> call;
        int code;
        const char* text;  // null: no reporter to reach
    } cases[] = {
        {[](S) { return quillet_set_model(nullptr, 0); }, -4, nullptr},
        {[](S s) { return quillet_read_file(s, nullptr); }, -4, "Null pointer given for 'path'!"},
        {[](S s) { return quillet_read_bytes(s, nullptr, 10, nullptr); }, -4, "Null pointer given for 'data'!"},
        {[&](S s) { return quillet_write_bytes(s, 0, out, sizeof out, nullptr); }, -4,
         "Null pointer given for 'written'!"},
        {[&](S s) { return quillet_write_bytes(s, 0, out, sizeof out, &count); }, -12,
         "Can't write to the output file '(memory)'!"},
        {[](S s) { return quillet_set_model(s, 8); }, -19, "Bad computer model '8'!"},
        {[](S s) { return quillet_set_register(s, 6, 0); }, -20, "Bad register number '6'!"},
        {[](S s) { return quillet_set_register(s, QUILLET_REG_PC, 65536); }, -13,
         "Value 65536 is out of range for register PC (0 to 65535)"},
        {[](S s) { return quillet_set_register(s, QUILLET_REG_SP, -5); }, -13,
         "Value -5 is out of range for register SP (0 to 65535)"},
        {[&](S s) { return quillet_load_page_bytes(s, 16, data, 1); }, -21, "Bad page number `16`!"},
        {[](S s) { return quillet_set_mapper_port(s, 128); }, -22, "Bad Memory Mapper value '128'!"},
        {[](S s) { return quillet_set_vcpu_circuit(s, 5); }, -23, "Bad VideoCPU circuit state '5'!"},
        {[](S s) { return quillet_set_mif85(s, 2); }, -23, "Bad MIF 85 state '2'!"},
        {[&](S s) { return quillet_load_bytes(s, 65536, data, 1); }, -13,
         "Value 65536 is out of range for address (0 to 65535)"},
        {[&](S s) { return quillet_read_memory(s, 65000, out, 600); }, -13,
         "Value 600 is out of range for length from address 65000 (0 to 536)"},
        {[&](S s) { return quillet_read_memory(s, 0, out, static_cast<size_t>(-1)); }, -13,
         "Value 18446744073709551615 is out of range for length from address 0 (0 to 65536)"},
        {[&](S s) { return quillet_read_page(s, 1, 16380, out, 8); }, -13,
         "Value 8 is out of range for length from offset 16380 in a page (0 to 4)"},
        {[&](S s) { return quillet_read_page(s, 0, 16380, out, 10); }, -13,
         "Value 10 is out of range for length from offset 16380 in a page (0 to 4)"},
        {[&](S s) { return quillet_read_page(s, 0, static_cast<size_t>(-1), out, 1); }, -13,
         "Value 18446744073709551615 is out of range for offset in a page (0 to 16384)"},
        {[&](S s) { return quillet_read_page(s, 0, 1, out, static_cast<size_t>(-1)); }, -13,
         "Value 18446744073709551615 is out of range for length from offset 1 in a page (0 to 16383)"},
        {[&](S s) { return quillet_load_bytes(s, 65535, data, 2); }, -8,
         "Source file '(memory)' is too long! Max length 1 bytes."},
        {[](S s) { return quillet_store_hex(s, 0, "abc"); }, -28, "Invalid hexstring: 'abc'!"},
        {[](S s) { return quillet_store_hex(s, 65535, "abcd"); }, -29,
         "Bytes from hexstring 'abcd' do not fit into memory from address 65535."},
    };
    for (const auto& c : cases) {
        Handle h;
        EXPECT_EQ(c.call(h.s), c.code) << c.text;
        Reports failures;  // the hex strings' progress lines left out
        for (const Report& r : h.log.reports) {
            if (r.code != 0) failures.push_back(r);
        }
        const Reports expected = c.text ? Reports{{c.code, c.text}} : Reports{};
        EXPECT_EQ(failures, expected);
        EXPECT_TRUE(same_bytes(header_bytes(HeaderFields()), written(h.s, 0))) << c.text;
    }
    EXPECT_EQ(Bytes(out, out + sizeof out), Bytes(sizeof out, 0xAA));  // nothing written where it did not fit
}

// For callers without a reporter: the last failure's code, message and,
// after a read, its detail; a later success keeps them.
TEST(CApi, TheLastFailureIsKeptWithoutAReporter) {
    S s = quillet_snapshot_new();
    EXPECT_EQ(quillet_last_failure(s), 0);
    EXPECT_STREQ(quillet_last_message(s), "");
    EXPECT_STREQ(quillet_last_detail(s), "");
    const std::uint8_t cut[] = {'Z', 'V', 'K', 1};
    EXPECT_EQ(quillet_read_bytes(s, cut, sizeof cut, "cut.zvk"), -9);
    EXPECT_EQ(quillet_last_failure(s), -9);
    EXPECT_STREQ(quillet_last_message(s), "Can't read from the source file 'cut.zvk'!");
    EXPECT_STREQ(quillet_last_detail(s), "the file ends inside the header, 4 of 7 bytes");
    EXPECT_EQ(quillet_set_model(s, 3), 0);
    EXPECT_EQ(quillet_last_failure(s), -9);
    EXPECT_EQ(quillet_set_model(s, 9), -19);
    EXPECT_EQ(quillet_last_failure(s), -19);
    EXPECT_STREQ(quillet_last_message(s), "Bad computer model '9'!");
    EXPECT_STREQ(quillet_last_detail(s), "");
    quillet_snapshot_free(s);
    EXPECT_EQ(quillet_last_failure(nullptr), -4);
    EXPECT_STREQ(quillet_last_message(nullptr), "");
}

TEST(CApi, ModelAndRegisterNumbersFromTheirNames) {
    for (int model = 0; model < QUILLET_MODEL_COUNT; ++model) {
        EXPECT_EQ(quillet_model_number(quillet_model_name(model)), model);
    }
    for (int reg = 0; reg < QUILLET_REGISTER_COUNT; ++reg) {
        EXPECT_EQ(quillet_register_number(quillet_register_name(reg)), reg);
    }
    EXPECT_EQ(quillet_model_number("alfa2"), QUILLET_MODEL_ALFA2);
    EXPECT_EQ(quillet_register_number("pc"), QUILLET_REG_PC);
    EXPECT_EQ(quillet_model_number("V2AA"), -19);
    EXPECT_EQ(quillet_model_number(""), -19);
    EXPECT_EQ(quillet_register_number("P"), -20);
    EXPECT_EQ(quillet_model_number(nullptr), -4);
    EXPECT_EQ(quillet_register_number(nullptr), -4);
}

// A caller's source of bytes, handed out in pieces of at most 1000.
struct CallerBytes {
    Bytes bytes;
    std::size_t at = 0;
    static long read(void* user, void* data, size_t capacity) {
        auto* c = static_cast<CallerBytes*>(user);
        const std::size_t n = std::min({capacity, std::size_t{1000}, c->bytes.size() - c->at});
        std::copy_n(c->bytes.begin() + static_cast<long>(c->at), n, static_cast<std::uint8_t*>(data));
        c->at += n;
        return static_cast<long>(n);
    }
};

TEST(CApi, AStreamIsReadToItsEndWithinTheLargestSnapshot) {
    Handle source;
    const Bytes page = varied(QUILLET_PAGE_SIZE);
    ASSERT_EQ(quillet_load_page_bytes(source.s, 1, page.data(), page.size()), 0);
    CallerBytes caller{written(source.s, 0)};
    caller.bytes.resize(QUILLET_SNAPSHOT_SIZE_MAX, 0);
    Handle h;
    size_t length = 0;
    ASSERT_EQ(quillet_read_stream(h.s, CallerBytes::read, &caller, "-", &length), 0);
    EXPECT_EQ(length, static_cast<size_t>(QUILLET_SNAPSHOT_SIZE_MAX));
    Bytes read_back(page.size());
    ASSERT_EQ(quillet_read_page(h.s, 1, 0, read_back.data(), read_back.size()), 0);
    EXPECT_EQ(read_back, page);

    CallerBytes endless{Bytes(3 * QUILLET_SNAPSHOT_SIZE_MAX, 0)};
    EXPECT_EQ(quillet_read_stream(h.s, CallerBytes::read, &endless, "-", nullptr), -8);
    EXPECT_EQ(endless.at, static_cast<std::size_t>(QUILLET_SNAPSHOT_SIZE_MAX) + 1);
    EXPECT_EQ(h.log.reports.back(), (Report{-8, "Source file '-' is too long! Max length 278652 bytes."}));
    EXPECT_STREQ(quillet_last_detail(h.s), "the file is longer than 278,652 bytes, the most a snapshot can use");
    EXPECT_EQ(quillet_read_stream(h.s, nullptr, nullptr, "-", nullptr), -4);
}

TEST(CApi, TooSmallABufferIsToldTheSizeNeeded) {
    Handle h;
    size_t needed = 0;
    EXPECT_EQ(quillet_write_bytes(h.s, 0, nullptr, 0, &needed), -12);
    EXPECT_EQ(needed, quillet_test::HEADER_V1_BYTES);
    EXPECT_EQ(h.log.reports, Reports{}) << "asking for the size is no failure to report";
}

TEST(CApi, NewSnapshotIsTheDefaultVersion1Header) {
    Handle h;
    EXPECT_TRUE(same_bytes(header_bytes(HeaderFields()), written(h.s, 0)));
}

TEST(CApi, WrittenBytesAreTheFileAndReadBackToTheSameSnapshot) {
    TempDir dir;
    Handle h;
    ASSERT_EQ(quillet_set_model(h.s, QUILLET_MODEL_V3) | quillet_set_interrupts(h.s, 1) |
                  quillet_set_register(h.s, QUILLET_REG_AF, 0xFFFF) | quillet_set_allram(h.s, 1) |
                  quillet_set_vcpu_circuit(h.s, QUILLET_VCPU_INTERRUPT_ENABLED) | quillet_set_mapper_port(h.s, 5) |
                  quillet_set_mif85(h.s, QUILLET_MIF85_INTERRUPT_DISABLED) | quillet_set_musica(h.s, 1),
              0);
    const Bytes rom = ascending(5000);
    const Bytes data = ascending(20000);
    const Bytes page_9 = varied(QUILLET_PAGE_SIZE);
    ASSERT_EQ(quillet_set_rom(h.s, rom.data(), rom.size()), 0);
    ASSERT_EQ(quillet_load_bytes(h.s, 0x7000, data.data(), data.size()), 0);  // pages 1 and 2
    ASSERT_EQ(quillet_load_page_bytes(h.s, 9, page_9.data(), page_9.size()), 0);
    ASSERT_EQ(quillet_load_page_bytes(h.s, 12, nullptr, 0), 0);
    const Bytes raw = written(h.s, 0);
    for (const int pack : {0, 1}) {
        const Bytes bytes = written(h.s, pack);
        ASSERT_EQ(quillet_write_file(h.s, dir.file("out.zvk").c_str(), pack), 0);
        EXPECT_TRUE(same_bytes(bytes, dir.read("out.zvk"))) << pack;
        Handle copy;
        ASSERT_EQ(quillet_read_bytes(copy.s, bytes.data(), bytes.size(), nullptr), 0) << pack;
        EXPECT_TRUE(same_bytes(raw, written(copy.s, 0))) << pack;
        EXPECT_EQ(quillet_get_register(copy.s, QUILLET_REG_AF), 0xFFD7);
        Bytes memory(data.size());
        ASSERT_EQ(quillet_read_memory(copy.s, 0x7000, memory.data(), memory.size()), 0);
        EXPECT_TRUE(same_bytes(data, memory)) << pack;
    }
    EXPECT_EQ(h.log.reports, Reports{});
}

TEST(CApi, FailedReadLeavesTheSnapshotAsItWas) {
    Handle h;
    ASSERT_EQ(quillet_store_hex(h.s, 0x100, "C3") | quillet_set_model(h.s, QUILLET_MODEL_V1), 0);
    const Bytes before = written(h.s, 0);
    h.log.reports.clear();
    HeaderFields fields;
    fields.block_lengths[0] = 1;
    fields.block_lengths[1] = 1;
    const Bytes file = join({header_bytes(fields), {0xE5}});  // ends before block 1
    EXPECT_EQ(quillet_read_bytes(h.s, file.data(), file.size(), nullptr), -9);
    EXPECT_EQ(h.log.reports, (Reports{{-9, "Can't read from the source file '(memory)'!"}}));
    EXPECT_TRUE(same_bytes(before, written(h.s, 0)));
    EXPECT_EQ(quillet_stored_end(h.s), 0u);
}

TEST(CApi, StoredLayoutOfAReadFile) {
    TempDir dir;
    Handle h;
    HeaderFields fields;
    fields.rom_descriptor = 0x8001;
    fields.block_lengths[0] = 1;
    fields.block_lengths[3] = 16384;
    const Bytes header = header_bytes(fields);
    dir.write("t.zvk", join({header, {0x42}, {0xE5}, ascending(16384), {1, 2, 3}}));
    ASSERT_EQ(quillet_read_file(h.s, dir.file("t.zvk").c_str()), 0);
    ASSERT_EQ(quillet_set_rom(h.s, nullptr, 0), 0);  // later changes leave the layout as read
    std::uint8_t stored[QUILLET_HEADER_SIZE_MAX];
    EXPECT_EQ(quillet_stored_header(h.s, stored), 56);
    EXPECT_EQ(Bytes(stored, stored + sizeof stored), join({header, Bytes(sizeof stored - 56, 0)}));
    using Piece = std::vector<std::size_t>;
    const auto info = [&h](int piece) {
        quillet_stored_piece p{};
        EXPECT_EQ(quillet_stored_piece_info(h.s, piece, &p), 0) << piece;
        return Piece{static_cast<std::size_t>(p.present), p.offset, p.stored_length, p.unpacked_length};
    };
    EXPECT_EQ(info(QUILLET_PIECE_ROM), (Piece{1, 56, 1, 1}));
    EXPECT_EQ(info(0), (Piece{1, 57, 1, 16384}));
    EXPECT_EQ(info(1), (Piece{0, 0, 0, 0}));
    EXPECT_EQ(info(3), (Piece{1, 58, 16384, 16384}));
    EXPECT_EQ(quillet_stored_end(h.s), 58u + 16384u);
    quillet_stored_piece p{};
    EXPECT_EQ(quillet_stored_piece_info(h.s, 16, &p), -21);
    EXPECT_EQ(quillet_stored_piece_info(h.s, -2, &p), -21);
    EXPECT_EQ(h.log.reports, (Reports{{-21, "Bad page number `16`!"}, {-21, "Bad page number `-2`!"}}));
}

TEST(CApi, CodecAnswersWithTheInterfacesCodes) {
    static std::uint8_t block[QUILLET_PAGE_SIZE + 1];
    static std::uint8_t out[QUILLET_PAGE_SIZE + 1];
    const std::uint8_t cut_run[] = {0x85, 1, 2};          // a literal run of 6 with 2 bytes
    const std::uint8_t left_over[] = {0x01, 7, 0x80, 9};  // 4 repeated, then more than fits in 4
    const int results[][2] = {
        {quillet_pack_block(nullptr, 16, block, 16), QUILLET_ERR_MISSING_VALUE},
        {quillet_pack_block(out, 16, nullptr, 16), QUILLET_ERR_MISSING_VALUE},
        {quillet_pack_block(out, 16, block, 0), QUILLET_ERR_VALUE_RANGE},
        {quillet_pack_block(out, sizeof out, block, sizeof block), QUILLET_ERR_VALUE_RANGE},
        {quillet_pack_block(out, 15, block, 16), QUILLET_ERR_VALUE_RANGE},
        {quillet_pack_block(out, QUILLET_PAGE_SIZE, block, QUILLET_PAGE_SIZE), 1},
        {quillet_unpack_block(nullptr, 16, block, 1), QUILLET_ERR_MISSING_VALUE},
        {quillet_unpack_block(out, sizeof out, block, 1), QUILLET_ERR_VALUE_RANGE},
        {quillet_unpack_block(out, QUILLET_PAGE_SIZE, block, sizeof block), QUILLET_ERR_VALUE_RANGE},
        {quillet_unpack_block(out, 16, block, 0), QUILLET_ERR_VALUE_RANGE},
        {quillet_unpack_block(out, 2, block, 3), QUILLET_ERR_VALUE_RANGE},
        {quillet_unpack_block(out, 16, cut_run, sizeof cut_run), QUILLET_ERR_BAD_BLOCK_SIZE},
        {quillet_unpack_block(out, 4, left_over, sizeof left_over - 1), QUILLET_ERR_BAD_BLOCK_SIZE},
        {quillet_unpack_block(out, QUILLET_PAGE_SIZE, block, 1), QUILLET_PAGE_SIZE},
    };
    for (std::size_t i = 0; i < std::size(results); ++i) EXPECT_EQ(results[i][0], results[i][1]) << "case " << i;
}

TEST(CApi, LayoutDescribesTheFileLastReadAndNothingElse) {
    Handle h;
    quillet_layout layout{};
    ASSERT_EQ(quillet_stored_layout(h.s, &layout), 0);
    EXPECT_EQ(layout.header_length, 0);  // not read: all zero
    EXPECT_EQ(layout.block_slots, 0);
    // A version 2 V1 file with block 0 filled, block 2's word set (ignored:
    // V1 does not store it), block 5 raw and a raw ROM image of 1024 bytes.
    HeaderFields fields = version_2(HeaderFields());
    fields.model = QUILLET_MODEL_V1;
    fields.rom_descriptor = 1024 | QUILLET_ROM_RAW_FLAG;
    fields.block_lengths[0] = 1;
    fields.block_lengths[2] = 7;
    fields.block_lengths[5] = QUILLET_PAGE_SIZE;
    Bytes file = header_bytes(fields);
    for (const Bytes& piece : {Bytes(1024, 0x11), Bytes{0x22}, varied(QUILLET_PAGE_SIZE)}) {
        file.insert(file.end(), piece.begin(), piece.end());
    }
    ASSERT_EQ(quillet_read_bytes(h.s, file.data(), file.size(), nullptr), 0);
    ASSERT_EQ(quillet_stored_layout(h.s, &layout), 0);
    EXPECT_EQ(layout.version, 2);
    EXPECT_EQ(layout.header_length, static_cast<int>(quillet_test::HEADER_V2_BYTES));
    EXPECT_EQ(layout.block_slots, QUILLET_PAGE_COUNT);
    EXPECT_EQ(layout.addon_hardware, 1);
    EXPECT_EQ(layout.rom_descriptor, 1024u | QUILLET_ROM_RAW_FLAG);
    EXPECT_EQ(layout.rom_form, QUILLET_FORM_RAW);
    const int states[] = {QUILLET_BLOCK_PRESENT, QUILLET_BLOCK_ABSENT, QUILLET_BLOCK_NOT_STORED, QUILLET_BLOCK_ABSENT,
                          QUILLET_BLOCK_ABSENT,  QUILLET_BLOCK_PRESENT};
    for (int b = 0; b < 6; ++b) EXPECT_EQ(layout.block_states[b], states[b]) << b;
    EXPECT_EQ(layout.length_words[2], 7u);
    EXPECT_EQ(layout.block_forms[0], QUILLET_FORM_FILL);
    EXPECT_EQ(layout.block_forms[5], QUILLET_FORM_RAW);
    // Changing the snapshot afterwards changes nothing of it.
    ASSERT_EQ(quillet_load_page_bytes(h.s, 1, nullptr, 0), 0);
    quillet_layout again{};
    ASSERT_EQ(quillet_stored_layout(h.s, &again), 0);
    EXPECT_EQ(again.block_states[1], QUILLET_BLOCK_ABSENT);
    EXPECT_EQ(quillet_stored_layout(h.s, nullptr), QUILLET_ERR_MISSING_VALUE);
}

TEST(CApi, MusicaStateIsTheNineStoredBytes) {
    Handle h;
    std::uint8_t state[QUILLET_MUSICA_STATE_SIZE];
    ASSERT_EQ(quillet_get_musica_state(h.s, state), 0);
    EXPECT_EQ(Bytes(state, state + sizeof state), (Bytes{0xFF, 0, 0, 0, 0, 0, 0, 0, 0}));
    ASSERT_EQ(quillet_set_musica(h.s, 1), 0);
    ASSERT_EQ(quillet_get_musica_state(h.s, state), 0);
    EXPECT_EQ(Bytes(state, state + sizeof state), (Bytes{0x32, 0xFF, 0xFF, 0x72, 0xFF, 0xFF, 0xB2, 0xFF, 0xFF}));
    EXPECT_EQ(quillet_get_musica_state(h.s, nullptr), QUILLET_ERR_MISSING_VALUE);
}

}  // namespace

namespace {

TEST(CApi, PageBytesLandAtThePageStartAndTheRestStaysZero) {
    Handle h;
    const std::uint8_t data[3] = {0x42, 0x43, 0x44};
    ASSERT_EQ(quillet_load_page_bytes(h.s, 9, data, sizeof data), 0);
    ASSERT_EQ(quillet_has_page(h.s, 9), 1);
    Bytes page(QUILLET_PAGE_SIZE);
    ASSERT_EQ(quillet_read_page(h.s, 9, 0, page.data(), page.size()), 0);
    Bytes expected(QUILLET_PAGE_SIZE, 0);
    std::copy(std::begin(data), std::end(data), expected.begin());
    EXPECT_EQ(page, expected);
}

// What a path holds, as programs over the interface ask it (quillet-info
// before it writes into a directory, and for a snapshot's size).
TEST(CApi, EntryKindAndFileSize) {
    TempDir dir;
    dir.write("file.bin", ascending(123));
    dir.write("empty.bin", {});
    dir.make_directory("sub");
    const struct {
        std::string path;
        int kind;
        long long size;
    } cases[] = {
        {dir.file("file.bin"), QUILLET_ENTRY_REGULAR, 123},
        {dir.file("empty.bin"), QUILLET_ENTRY_REGULAR, 0},
        {dir.file("sub"), QUILLET_ENTRY_OTHER, -1},
        {dir.file("missing.bin"), QUILLET_ENTRY_NONE, -1},
        {dir.file("missing/file.bin"), QUILLET_ENTRY_NONE, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(quillet_entry_kind(c.path.c_str()), c.kind) << c.path;
        EXPECT_EQ(quillet_file_size(c.path.c_str()), c.size) << c.path;
    }
    EXPECT_EQ(quillet_entry_kind(nullptr), QUILLET_ERR_MISSING_VALUE);
    EXPECT_EQ(quillet_file_size(nullptr), QUILLET_ERR_MISSING_VALUE);
}

// A link is an entry of its own; its size is that of what it leads to.
TEST(CApi, EntryKindOfALinkIsNotWhatItLeadsTo) {
    QUILLET_REQUIRE(Facility::SYMBOLIC_LINKS);
    TempDir dir;
    dir.write("file.bin", ascending(10));
    std::filesystem::create_symlink("file.bin", dir.file("link.bin"));
    EXPECT_EQ(quillet_entry_kind(dir.file("link.bin").c_str()), QUILLET_ENTRY_OTHER);
    EXPECT_EQ(quillet_file_size(dir.file("link.bin").c_str()), 10);
}

// Two paths name one file to replace only when it is a regular file, or
// the same new name in one directory; a directory is written into, never
// replaced. (The platform layer's identities are in file_identity_test.)
TEST(CApi, SameFileIsOneRegularFileOrOneNewName) {
    TempDir dir;
    dir.write("file.bin", ascending(10));
    dir.make_directory("sub");
    EXPECT_EQ(quillet_same_file(dir.file("file.bin").c_str(), dir.file("sub/../file.bin").c_str()), 1);
    EXPECT_EQ(quillet_same_file(dir.file("new.bin").c_str(), dir.file("./new.bin").c_str()), 1);
    EXPECT_EQ(quillet_same_file(dir.file("sub").c_str(), dir.file("./sub").c_str()), 0);
    EXPECT_EQ(quillet_same_file(dir.file("file.bin").c_str(), dir.file("new.bin").c_str()), 0);
    EXPECT_EQ(quillet_same_file(nullptr, "x"), QUILLET_ERR_MISSING_VALUE);
    EXPECT_EQ(quillet_same_file("x", nullptr), QUILLET_ERR_MISSING_VALUE);
}

}  // namespace
