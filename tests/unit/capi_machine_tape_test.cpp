// The real monitors load a tape through the machine's tape input: a tape
// the tape layer made, played into the 8251 (the separator's bytes on
// PMD 85-1, the DSR line on the PMD 85-2 family), loaded by MGLD typed on
// the keyboard (the monitor loads and does not start the program); the
// bytes in memory are those of the file asked for. Skipped without the firmware (QUILLET_FIRMWARE).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/pmd85_roms.hpp"
#include "support/test_machine.hpp"
#include "support/tape_bytes.hpp"
#include "quillet/quillet.h"

namespace {

constexpr std::uint64_t FRAME = QUILLET_MACHINE_FRAME_STATES;
constexpr long LOAD_ADDRESS = 0x2000;

struct Machine : quillet::test::TestMachine {
    Machine(int model, const std::vector<std::uint8_t>& monitor) : TestMachine(model, {monitor, {}, {}, true}) {}
};

// File `number`'s program: a loop on itself, then bytes of every value
// (another order in each file) so that a bit lost or turned shows.
std::vector<std::uint8_t> program(int number) {
    std::vector<std::uint8_t> bytes = {0xC3, LOAD_ADDRESS & 0xFF, LOAD_ADDRESS >> 8};
    for (std::size_t i = 0; bytes.size() < 300; ++i) bytes.push_back(static_cast<std::uint8_t>(i * 37 + 11 + number));
    return bytes;
}

// A tape of `files` (numbers from 0), each its program at LOAD_ADDRESS,
// read back from the form `kind` so that what plays is what a file holds.
quillet_tape* make_tape(int files, int kind, long damaged_at = -1) {
    quillet_tape* made = quillet_tape_new();
    for (int number = 0; number < files; ++number) {
        const std::string name = "TEST" + std::to_string(number);
        const std::vector<std::uint8_t> bytes = program(number);
        EXPECT_EQ(quillet_tape_add_file(made, number, '?', LOAD_ADDRESS, name.c_str(), bytes.data(), bytes.size()),
                  0);
    }
    size_t length = 0;
    quillet_tape_write_bytes(made, kind, nullptr, 0, &length);  // asks for the length
    std::vector<std::uint8_t> image(length);
    EXPECT_EQ(quillet_tape_write_bytes(made, kind, image.data(), image.size(), &length), 0);
    if (damaged_at >= 0) image[image.size() - 1 - static_cast<size_t>(damaged_at)] ^= 0x10;  // from the end
    quillet_tape* read = quillet_tape_new();
    EXPECT_EQ(quillet_tape_read_bytes(read, image.data(), image.size(), "tape"), 0);
    quillet_tape_free(made);
    return read;
}

struct Load {
    const char* monitor;
    int model;
    int kind;            // the form the tape was read from
    int files;           // on the tape
    const char* typed;   // the command
    int wanted;          // the file it loads
};

void PrintTo(const Load& c, std::ostream* out) { *out << c.monitor << " " << c.typed; }

class MonitorLoadsTape : public ::testing::TestWithParam<Load> {};

TEST_P(MonitorLoadsTape, ThroughMgld) {
    const Load& c = GetParam();
    QUILLET_PMD85_ROM_OR_SKIP(monitor, c.monitor);
    Machine m(c.model, monitor);
    const std::vector<std::uint8_t> bytes = program(c.wanted);
    quillet_tape* tape = make_tape(c.files, c.kind);
    ASSERT_EQ(quillet_machine_insert_tape(m.machine, tape), 0) << m.failure;
    quillet_tape_free(tape);
    size_t played = 99, total = 0;
    ASSERT_EQ(quillet_machine_tape_blocks(m.machine, &played, &total), 0);
    EXPECT_EQ(played, 0u);
    EXPECT_EQ(total, static_cast<size_t>(2 * c.files));

    ASSERT_EQ(quillet_machine_type(m.machine, c.typed, std::string(c.typed).size()), 0) << m.failure;
    // The tape plays to its end, and a second more lets the monitor finish.
    for (int second = 0; second < 60 && played < total; ++second) {
        ASSERT_EQ(quillet_cpu_run(m.cpu(), 50 * FRAME, UINT64_MAX, 0), QUILLET_STOP_STATE_LIMIT);
        ASSERT_EQ(quillet_machine_tape_blocks(m.machine, &played, nullptr), 0);
    }
    EXPECT_EQ(played, total);
    ASSERT_EQ(quillet_cpu_run(m.cpu(), 50 * FRAME, UINT64_MAX, 0), QUILLET_STOP_STATE_LIMIT);
    std::vector<std::uint8_t> loaded(bytes.size());
    ASSERT_EQ(quillet_cpu_read_memory(m.cpu(), LOAD_ADDRESS, loaded.data(), loaded.size()), 0);
    EXPECT_EQ(loaded, bytes) << m.text();
    size_t rejected = 99;
    ASSERT_EQ(quillet_machine_tape_rejected(m.machine, nullptr, 0, &rejected), 0);
    EXPECT_EQ(rejected, 0u);
}

// A data block whose byte no longer sums to its checksum: the monitor
// reads the file and rejects it, and the machine names the block.
TEST(MonitorRejectsTape, ADamagedDataBlockIsNamed) {
    struct Case {
        const char* monitor;
        int model;
    };
    for (const Case& c : {Case{"monit2.rom", QUILLET_MODEL_V2}, Case{"monit1.rom", QUILLET_MODEL_V1}}) {
        SCOPED_TRACE(c.monitor);
        QUILLET_PMD85_ROM_OR_SKIP(monitor, c.monitor);
        Machine m(c.model, monitor);
        quillet_tape* tape = make_tape(2, QUILLET_TAPE_PTP, 10);  // a byte of file 1's data
        ASSERT_EQ(quillet_machine_insert_tape(m.machine, tape), 0) << m.failure;
        quillet_tape_free(tape);
        ASSERT_EQ(quillet_machine_type(m.machine, "MGLD 01{EOL}", 12), 0);
        size_t played = 0, total = 0;
        for (int second = 0; second < 30 && (played < total || total == 0); ++second) {
            quillet_cpu_run(m.cpu(), 50 * FRAME, UINT64_MAX, 0);
            ASSERT_EQ(quillet_machine_tape_blocks(m.machine, &played, &total), 0);
        }
        quillet_cpu_run(m.cpu(), 50 * FRAME, UINT64_MAX, 0);
        size_t blocks[4] = {}, count = 0;
        ASSERT_EQ(quillet_machine_tape_rejected(m.machine, blocks, 4, &count), 0);
        ASSERT_EQ(count, 1u) << m.text();
        EXPECT_EQ(blocks[0], 3u) << "file 1's data block";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Monitors, MonitorLoadsTape,
    ::testing::Values(Load{"monit2.rom", QUILLET_MODEL_V2, QUILLET_TAPE_PTP, 1, "MGLD 00{EOL}", 0},
                      Load{"monit2.rom", QUILLET_MODEL_V2, QUILLET_TAPE_WAV, 2, "MGLD 01{EOL}", 1},
                      Load{"monit2A.rom", QUILLET_MODEL_V2A, QUILLET_TAPE_PMD, 1, "MGLD 00{EOL}", 0},
                      Load{"monit3.rom", QUILLET_MODEL_V3, QUILLET_TAPE_PTP, 1, "MGLD 00{EOL}", 0},
                      Load{"didalfa2.rom", QUILLET_MODEL_ALFA2, QUILLET_TAPE_PTP, 1, "MGLD 00{EOL}", 0},
                      Load{"monit1.rom", QUILLET_MODEL_V1, QUILLET_TAPE_PTP, 2, "MGLD 01{EOL}", 1}));

// Real tapes loaded through MGLD 00. AUTO (PMD 85-1): the file's bytes
// at its start address. BLUDISTE (PMD 85-2): an 87-byte loader that the
// monitor loads up to 7FFFh, so that it starts by itself (and changes some
// of its own bytes), reads the 8416-byte block after it through the
// monitor's byte routine into 5F22h and starts the game there.
struct RealLoad {
    const char* tape;
    const char* monitor;
    int model;
    long continuation_at;  // where the block after the file goes; -1: none
};

void PrintTo(const RealLoad& c, std::ostream* out) { *out << c.tape << " on " << c.monitor; }

class MonitorLoadsRealTape : public ::testing::TestWithParam<RealLoad> {};

std::vector<std::uint8_t> entry_data(const quillet_tape* tape, size_t index) {
    std::vector<std::uint8_t> data(65536);
    const long length = quillet_tape_entry_data(tape, index, data.data(), data.size());
    data.resize(length > 0 ? static_cast<size_t>(length) : 0);
    return data;
}

TEST_P(MonitorLoadsRealTape, ThroughMgld) {
    const RealLoad& c = GetParam();
    QUILLET_PMD85_ROM_OR_SKIP(monitor, c.monitor);
    const std::vector<std::uint8_t> image = quillet_test::real_tape(c.tape);
    if (image.empty()) GTEST_SKIP() << "../shared/pmd85-tapes is not there";
    Machine m(c.model, monitor);
    quillet_tape* tape = quillet_tape_new();
    ASSERT_EQ(quillet_tape_read_bytes(tape, image.data(), image.size(), c.tape), 0);
    quillet_tape_entry first;
    ASSERT_EQ(quillet_tape_entry_info(tape, 0, &first), 0);
    const std::vector<std::uint8_t> file = entry_data(tape, 0);
    const std::vector<std::uint8_t> continuation = c.continuation_at >= 0 ? entry_data(tape, 1) : file;
    ASSERT_EQ(quillet_machine_insert_tape(m.machine, tape), 0) << m.failure;
    quillet_tape_free(tape);
    size_t played = 0, total = 0;
    ASSERT_EQ(quillet_machine_tape_blocks(m.machine, &played, &total), 0);
    ASSERT_EQ(quillet_machine_type(m.machine, "MGLD 00{EOL}", 12), 0);
    for (int second = 0; second < 100 && played < total; ++second) {
        quillet_cpu_run(m.cpu(), 50 * FRAME, UINT64_MAX, 0);
        ASSERT_EQ(quillet_machine_tape_blocks(m.machine, &played, nullptr), 0);
    }
    EXPECT_EQ(played, total);
    quillet_cpu_run(m.cpu(), 50 * FRAME, UINT64_MAX, 0);
    if (c.continuation_at < 0) {
        std::vector<std::uint8_t> loaded(file.size());
        ASSERT_EQ(quillet_cpu_read_memory(m.cpu(), first.start, loaded.data(), loaded.size()), 0);
        EXPECT_EQ(loaded, file) << m.text();
        return;
    }
    EXPECT_LT(quillet_cpu_get_pair(m.cpu(), QUILLET_REG_PC), 0x8000) << "the game runs, not the monitor";
    std::vector<std::uint8_t> loaded(continuation.size());
    ASSERT_EQ(quillet_cpu_read_memory(m.cpu(), c.continuation_at, loaded.data(), loaded.size()), 0);
    size_t differing = 0;
    for (size_t i = 0; i < loaded.size(); ++i) differing += loaded[i] != continuation[i];
    EXPECT_LE(differing, 16u) << "all but the few bytes the running game changed";
}

INSTANTIATE_TEST_SUITE_P(Tapes, MonitorLoadsRealTape,
                         ::testing::Values(RealLoad{"AUTO.pmd", "monit1.rom", QUILLET_MODEL_V1, -1},
                                           RealLoad{"BLUDISTE.pmd", "monit2.rom", QUILLET_MODEL_V2, 0x5F22}));

// A raw PMD image as games keep them: a loader file, then the blocks it
// reads itself with the monitor's block reader (8DC2h; monitor 3 EDC2h)
// back to back, with nothing between them. Between its two reads the
// loader prints a line, as a title: the recorder plays each block with the
// lead-in a recording has, so that the second read finds its block's
// start. The loader halts at OK_AT when both reads held, at FAILED_AT when
// one failed (Z clear or CY set).
constexpr long PIECE_AT[2] = {0x3000, 0x4000};
constexpr std::size_t PIECE_SIZE[2] = {700, 1300};
constexpr long OK_AT = LOAD_ADDRESS + 0x100, FAILED_AT = LOAD_ADDRESS + 0x101;

std::vector<std::uint8_t> piece(int which) {
    std::vector<std::uint8_t> bytes(PIECE_SIZE[which]);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * (which ? 91 : 13) + 7);
    return bytes;
}

std::vector<std::uint8_t> loader(long monitor_base) {
    const auto word = [](std::vector<std::uint8_t>& code, long value) {
        code.push_back(static_cast<std::uint8_t>(value));
        code.push_back(static_cast<std::uint8_t>(value >> 8));
    };
    const long reader = monitor_base + 0x0DC2, print = monitor_base + 0x0500;
    std::vector<std::uint8_t> code;
    for (int which = 0; which < 2; ++which) {
        if (which == 1) {
            for (char c : std::string("\rLOADING THE REST OF THE GAME")) {
                code.push_back(0x3E);  // MVI A,c
                code.push_back(static_cast<std::uint8_t>(c == '\r' ? 0x0D : c));
                code.push_back(0xCD);  // CALL print
                word(code, print);
            }
        }
        code.push_back(0x21);  // LXI H,piece
        word(code, PIECE_AT[which]);
        code.push_back(0x11);  // LXI D,length - 1
        word(code, static_cast<long>(PIECE_SIZE[which] - 1));
        code.push_back(0xCD);  // CALL reader
        word(code, reader);
        code.push_back(0xDA);  // JC failed
        word(code, FAILED_AT);
        code.push_back(0xC2);  // JNZ failed
        word(code, FAILED_AT);
    }
    code.push_back(0xC3);  // JMP ok
    word(code, OK_AT);
    EXPECT_LE(code.size(), static_cast<std::size_t>(OK_AT - LOAD_ADDRESS));
    code.resize(OK_AT - LOAD_ADDRESS, 0);
    code.push_back(0x76);  // ok: HLT
    code.push_back(0x76);  // failed: HLT
    return code;
}

// The raw image: the loader's file, then both pieces with their checksums.
quillet_tape* game_tape(long monitor_base) {
    quillet_tape* made = quillet_tape_new();
    const std::vector<std::uint8_t> code = loader(monitor_base);
    EXPECT_EQ(quillet_tape_add_file(made, 0, '?', LOAD_ADDRESS, "GAME", code.data(), code.size()), 0);
    size_t length = 0;
    quillet_tape_write_bytes(made, QUILLET_TAPE_PMD, nullptr, 0, &length);
    std::vector<std::uint8_t> image(length);
    EXPECT_EQ(quillet_tape_write_bytes(made, QUILLET_TAPE_PMD, image.data(), image.size(), &length), 0);
    quillet_tape_free(made);
    for (int which = 0; which < 2; ++which) {
        const std::vector<std::uint8_t> bytes = piece(which);
        image.insert(image.end(), bytes.begin(), bytes.end());
        image.push_back(static_cast<std::uint8_t>(quillet_tape_checksum(bytes.data(), bytes.size())));
    }
    quillet_tape* tape = quillet_tape_new();
    EXPECT_EQ(quillet_tape_read_bytes(tape, image.data(), image.size(), "game.pmd"), 0);
    EXPECT_EQ(quillet_tape_entry_count(tape), 2u) << "the loader's file and one block of no file";
    return tape;
}

struct GameLoad {
    const char* monitor;
    int model;
    long base;
};

void PrintTo(const GameLoad& c, std::ostream* out) { *out << c.monitor; }

class MonitorLoadsGame : public ::testing::TestWithParam<GameLoad> {};

// MGLD loads the loader, which starts at once as a game's does by itself
// (its blocks' lead-in is half a second; typing JUMP would take longer).
void load_and_start(Machine& m, long start) {
    ASSERT_EQ(quillet_machine_type(m.machine, "MGLD 00{EOL}", 12), 0);
    size_t played = 0;
    for (int frame = 0; frame < 30 * 50 && played < 2; ++frame) {
        ASSERT_EQ(quillet_cpu_run(m.cpu(), FRAME, UINT64_MAX, 0), QUILLET_STOP_STATE_LIMIT);
        ASSERT_EQ(quillet_machine_tape_blocks(m.machine, &played, nullptr), 0);
    }
    ASSERT_EQ(played, 2u) << m.text();
    ASSERT_EQ(quillet_cpu_run(m.cpu(), 2 * FRAME, UINT64_MAX, 0), QUILLET_STOP_STATE_LIMIT);
    ASSERT_EQ(quillet_cpu_set_pair(m.cpu(), QUILLET_REG_PC, start), 0);
}

TEST_P(MonitorLoadsGame, EveryBlockAfterTheLoadersWork) {
    const GameLoad& c = GetParam();
    QUILLET_PMD85_ROM_OR_SKIP(monitor, c.monitor);
    Machine m(c.model, monitor);
    quillet_tape* tape = game_tape(c.base);
    ASSERT_EQ(quillet_machine_insert_tape(m.machine, tape), 0) << m.failure;
    quillet_tape_free(tape);
    load_and_start(m, LOAD_ADDRESS);
    ASSERT_EQ(quillet_cpu_run(m.cpu(), 60 * 50 * FRAME, UINT64_MAX, 0), QUILLET_STOP_HALTED) << m.text();
    EXPECT_EQ(quillet_cpu_get_pair(m.cpu(), QUILLET_REG_PC), OK_AT + 1) << m.text();
    for (int which = 0; which < 2; ++which) {
        std::vector<std::uint8_t> loaded(PIECE_SIZE[which]);
        ASSERT_EQ(quillet_cpu_read_memory(m.cpu(), PIECE_AT[which], loaded.data(), loaded.size()), 0);
        EXPECT_EQ(loaded, piece(which)) << "piece " << which;
    }
    EXPECT_NE(m.text().find("LOADING THE REST"), std::string::npos) << m.text();
    size_t played = 0, total = 0, rejected = 99;
    ASSERT_EQ(quillet_machine_tape_blocks(m.machine, &played, &total), 0);
    EXPECT_GE(played, 2u) << "the last is played once its second stop bit has passed, after the halt";
    EXPECT_EQ(total, 3u) << "the pieces count as the one block the image holds";
    ASSERT_EQ(quillet_machine_tape_rejected(m.machine, nullptr, 0, &rejected), 0);
    EXPECT_EQ(rejected, 0u);
}

INSTANTIATE_TEST_SUITE_P(Monitors, MonitorLoadsGame,
                         ::testing::Values(GameLoad{"monit1.rom", QUILLET_MODEL_V1, 0x8000},
                                           GameLoad{"monit2.rom", QUILLET_MODEL_V2, 0x8000},
                                           GameLoad{"monit3.rom", QUILLET_MODEL_V3, 0xE000}));

// STOP held while the loader's second read runs: monitor 2's byte routine
// gives up with CY set, and the block reader leaves by its failure's way
// out, not by the RET that tests the checksum. The machine names the block.
TEST(MonitorRejectsTape, AReadEndedWithCarryIsNamed) {
    QUILLET_PMD85_ROM_OR_SKIP(monitor, "monit2.rom");
    Machine m(QUILLET_MODEL_V2, monitor);
    quillet_tape* tape = game_tape(0x8000);
    ASSERT_EQ(quillet_machine_insert_tape(m.machine, tape), 0) << m.failure;
    quillet_tape_free(tape);
    load_and_start(m, LOAD_ADDRESS);
    // The first piece takes 6.4 s after its half second of lead-in; the
    // second begins half a second later.
    ASSERT_EQ(quillet_cpu_run(m.cpu(), 9 * 50 * FRAME, UINT64_MAX, 0), QUILLET_STOP_STATE_LIMIT);
    ASSERT_EQ(quillet_machine_key(m.machine, "STOP", 1), 0);
    ASSERT_EQ(quillet_cpu_run(m.cpu(), 30 * 50 * FRAME, UINT64_MAX, 0), QUILLET_STOP_HALTED) << m.text();
    EXPECT_EQ(quillet_cpu_get_pair(m.cpu(), QUILLET_REG_PC), FAILED_AT + 1);
    EXPECT_NE(quillet_cpu_get_register8(m.cpu(), QUILLET_CPU_F) & QUILLET_FLAG_CY, 0);
    size_t blocks[4] = {}, count = 0;
    ASSERT_EQ(quillet_machine_tape_rejected(m.machine, blocks, 4, &count), 0);
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(blocks[0], 2u) << "the block of no file (from 0)";
}

// Monitor 1's block reader (8DC2h: HL the destination, DE the length - 1,
// then a checksum byte; Z when it holds) called by hand, as its MGLD
// calls it: the header's 48 lead-in bytes
// (the 48th taken as their checksum), its 14 fields and checksum, then the
// data block; each byte taken from the 8251's receiver as the separator
// hands it over.
TEST(MonitorOneTape, ReadsBlocksFromTheSeparator) {
    QUILLET_PMD85_ROM_OR_SKIP(monitor, "monit1.rom");
    Machine m(QUILLET_MODEL_V1, monitor);
    ASSERT_EQ(quillet_cpu_run(m.cpu(), 100 * FRAME, UINT64_MAX, 0), QUILLET_STOP_STATE_LIMIT);  // ready
    quillet_tape* tape = make_tape(1, QUILLET_TAPE_PTP);
    ASSERT_EQ(quillet_machine_insert_tape(m.machine, tape), 0) << m.failure;
    quillet_tape_free(tape);
    const std::vector<std::uint8_t> bytes = program(0);
    struct Read {
        long destination;
        size_t length;
        bool checked;
    };
    for (const Read& read : {Read{0x1000, 47, false}, Read{0x1030, 14, true}, Read{LOAD_ADDRESS, bytes.size(), true}}) {
        ASSERT_EQ(quillet_cpu_set_pair(m.cpu(), QUILLET_REG_HL, read.destination), 0);
        ASSERT_EQ(quillet_cpu_set_pair(m.cpu(), QUILLET_REG_DE, static_cast<long>(read.length - 1)), 0);
        ASSERT_EQ(quillet_cpu_call(m.cpu(), 0x8DC2, 10 * 50 * FRAME, UINT64_MAX), QUILLET_STOP_RETURNED);
        if (read.checked) {
            EXPECT_NE(quillet_cpu_get_register8(m.cpu(), QUILLET_CPU_F) & QUILLET_FLAG_Z, 0) << "the checksum holds";
        }
    }
    std::vector<std::uint8_t> header(63), loaded(bytes.size());
    ASSERT_EQ(quillet_cpu_read_memory(m.cpu(), 0x1000, header.data(), header.size()), 0);
    EXPECT_EQ(std::vector<std::uint8_t>(header.begin() + 0x20, header.begin() + 0x2F), std::vector<std::uint8_t>(15, 0x55));
    EXPECT_EQ(header[0x31], '?');
    EXPECT_EQ(header[0x32] | header[0x33] << 8, LOAD_ADDRESS);
    ASSERT_EQ(quillet_cpu_read_memory(m.cpu(), LOAD_ADDRESS, loaded.data(), loaded.size()), 0);
    EXPECT_EQ(loaded, bytes);
    // The last byte is there in the middle of its first stop bit; the
    // block has played once the second has passed.
    ASSERT_EQ(quillet_cpu_run(m.cpu(), FRAME, UINT64_MAX, 0), QUILLET_STOP_STATE_LIMIT);
    size_t played = 0;
    ASSERT_EQ(quillet_machine_tape_blocks(m.machine, &played, nullptr), 0);
    EXPECT_EQ(played, 2u) << quillet_cpu_states(m.cpu());
}

}  // namespace
