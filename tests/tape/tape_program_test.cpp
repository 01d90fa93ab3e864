// quillet-tape end to end: the real executable in a fresh directory, its
// exact output, exit status and files. Expected tape bytes are assembled
// from their fields (support/tape_bytes.hpp), never by the code under test.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "support/pmd85_roms.hpp"
#include "support/tape_bytes.hpp"
#include "support/temp_dir.hpp"
#include "tape/program_run.hpp"

namespace {

using quillet_test::Bytes;
using quillet_test::data_block;
using quillet_test::header_block;
using quillet_test::joined;
using quillet_test::ptp_record;
using quillet_test::TempDir;
using quillet_test::Outcome;
using quillet_test::run_in;

Outcome tape_tool(const TempDir& dir, const std::vector<std::string>& arguments) {
    return run_in(dir, QUILLET_TAPE_EXECUTABLE, arguments);
}

// A program that fills the first byte of the video memory and halts, and
// some data.
const Bytes PROGRAM = {0x21, 0x00, 0xC0, 0x36, 0xFF, 0x76};
const Bytes DATA = {'A', 'B', 'C'};

const char* const TWO_FILES_LISTING =
    "game.ptp: PTP image, 2 files\n"
    "No  Type  Start  Length  Name      Header  Data\n"
    "07  ?     9000        6  STRIPES   ok      ok\n"
    "08  ?     2400        3  LEVEL1    ok      ok\n";

void make_two_files(const TempDir& dir) {
    dir.write("stripes.bin", PROGRAM);
    dir.write("level1.data", DATA);
    const Outcome made = tape_tool(dir, {"-o", "game.ptp", "--number", "7", "0x9000", "stripes.bin", "9216", "level1.data"});
    ASSERT_EQ(made.status, 0) << made.err;
    ASSERT_EQ(made.out + made.err, "");
}

TEST(TapeProgram, ATapeOfTwoBinariesIsListedAndExtractedByteForByte) {
    TempDir dir;
    make_two_files(dir);
    EXPECT_EQ(dir.read("game.ptp"),
              joined({ptp_record(header_block(7, '?', 0x9000, 6, "STRIPES")), ptp_record(data_block(PROGRAM)),
                      ptp_record(header_block(8, '?', 0x2400, 3, "LEVEL1")), ptp_record(data_block(DATA))}));
    const Outcome listed = tape_tool(dir, {"game.ptp"});
    EXPECT_EQ(listed.status, 0);
    EXPECT_EQ(listed.out, TWO_FILES_LISTING);
    EXPECT_EQ(listed.err, "");

    const Outcome extracted = tape_tool(dir, {"-x", "out", "game.ptp"});
    EXPECT_EQ(extracted.status, 0) << extracted.err;
    EXPECT_EQ(dir.entries("out"), (std::vector<std::string>{"01-STRIPES.bin", "02-LEVEL1.bin"}));
    EXPECT_EQ(dir.read("out/01-STRIPES.bin"), PROGRAM);
    EXPECT_EQ(dir.read("out/02-LEVEL1.bin"), DATA);

    // A piece never replaces the tape it comes from: nothing is written.
    const Bytes tape = dir.read("game.ptp");
    dir.write("out/02-LEVEL1.bin", tape);
    const Outcome over = tape_tool(dir, {"-x", "out", "out/02-LEVEL1.bin"});
    EXPECT_EQ(over.status, 64);
    EXPECT_EQ(over.err, "quillet-tape: -x 'out/02-LEVEL1.bin' would replace the input TAPE 'out/02-LEVEL1.bin'\n"
                        "Try 'quillet-tape --help' for more information.\n");
    EXPECT_EQ(dir.read("out/02-LEVEL1.bin"), tape);
    EXPECT_EQ(dir.read("out/01-STRIPES.bin"), PROGRAM);

    // The raw form holds the same blocks without their lengths.
    const Outcome pmd = tape_tool(dir, {"-o", "game.pmd", "--pmd", "--number", "7", "--name", "STRIPES", "--name", "LEVEL1",
                                    "0x9000", "stripes.bin", "0x2400", "level1.data"});
    ASSERT_EQ(pmd.status, 0) << pmd.err;
    EXPECT_EQ(dir.read("game.pmd"), joined({header_block(7, '?', 0x9000, 6, "STRIPES"), data_block(PROGRAM),
                                            header_block(8, '?', 0x2400, 3, "LEVEL1"), data_block(DATA)}));
}

TEST(TapeProgram, TheJsonListingNamesEveryField) {
    TempDir dir;
    make_two_files(dir);
    const Outcome listed = tape_tool(dir, {"--json", "game.ptp"});
    EXPECT_EQ(listed.status, 0);
    EXPECT_EQ(listed.out,
              "{\"tape\": \"game.ptp\", \"form\": \"PTP\", \"entries\": [\n"
              "  {\"block\": 1, \"position\": 0, \"file\": true, \"number\": 7, \"type\": \"?\", \"start\": 36864, "
              "\"length\": 6, \"name\": \"STRIPES\", \"header_checksum\": 37, \"header_checksum_computed\": 37, "
              "\"header_checksum_holds\": true, \"data_length\": 6, \"data_checksum\": 140, "
              "\"data_checksum_computed\": 140, \"data_checksum_holds\": true},\n"
              "  {\"block\": 3, \"position\": 74, \"file\": true, \"number\": 8, \"type\": \"?\", \"start\": 9216, "
              "\"length\": 3, \"name\": \"LEVEL1\", \"header_checksum\": 86, \"header_checksum_computed\": 86, "
              "\"header_checksum_holds\": true, \"data_length\": 3, \"data_checksum\": 198, "
              "\"data_checksum_computed\": 198, \"data_checksum_holds\": true}\n"
              "], \"problem\": null}\n");
}

// Checksums that fail, listed as stored and as the bytes sum; with
// --ignore-checksums the outputs take the stored bytes, and each failing
// block is named; damage of another kind is still refused.
TEST(TapeProgram, IgnoredChecksumsKeepTheStoredBytesAndNameEachBlock) {
    const Bytes bad_data = {'A', 'B', 'C', 0};  // sums to C6h, stores 0
    const Bytes image = joined({ptp_record(header_block(3, '?', 0x100, 3, "A", 1)), ptp_record(bad_data)});
    TempDir dir;
    dir.write("t.ptp", image);
    const Outcome listed = tape_tool(dir, {"--json", "t.ptp"});
    EXPECT_EQ(listed.status, 42);
    EXPECT_NE(listed.out.find("\"header_checksum\": 103, \"header_checksum_computed\": 102,"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("\"data_checksum\": 0, \"data_checksum_computed\": 198,"), std::string::npos) << listed.out;
    const std::string named =
        "quillet-tape: ignored: Bad checksum in tape image 't.ptp': record 1 at offset 0: the header checksum of file "
        "03 \"A\" fails\n"
        "quillet-tape: ignored: Bad checksum in tape image 't.ptp': record 2 at offset 65: the data checksum of file "
        "03 \"A\" fails\n";
    const struct {
        std::vector<std::string> use;
        const char* written;
    } uses[] = {{{"-x", "out", "t.ptp"}, "out/01-A.bin"}, {{"--wav", "t.wav", "t.ptp"}, "t.wav"},
                {{"--snapshot", "t.zvk", "t.ptp"}, "t.zvk"}};
    for (const auto& u : uses) {
        std::vector<std::string> arguments = {"--ignore-checksums"};
        arguments.insert(arguments.end(), u.use.begin(), u.use.end());
        const Outcome made = tape_tool(dir, arguments);
        EXPECT_EQ(made.status, 0) << u.use[0] << made.err;
        EXPECT_EQ(made.err, named) << u.use[0];
        EXPECT_TRUE(dir.exists(u.written)) << u.use[0];
    }
    EXPECT_EQ(dir.read("out/01-A.bin"), (Bytes{'A', 'B', 'C'}));
    dir.write("short.ptp", joined({ptp_record(header_block(3, '?', 0x100, 3, "A", 1)), ptp_record({1, 2})}));
    const Outcome refused = tape_tool(dir, {"--ignore-checksums", "--wav", "s.wav", "short.ptp"});
    EXPECT_EQ(refused.status, 41);
    EXPECT_EQ(refused.err,
              "quillet-tape: ignored: Bad checksum in tape image 'short.ptp': record 1 at offset 0: the header checksum "
              "of file 03 \"A\" fails\n"
              "Damaged tape image 'short.ptp': record 2 at offset 65: the data block of file 03 \"A\" holds 2 bytes, its "
              "header says 4\n");
    EXPECT_FALSE(dir.exists("s.wav"));
    const Outcome listing = tape_tool(dir, {"--ignore-checksums", "t.ptp"});
    EXPECT_EQ(listing.status, 64) << "a listing shows the checksums already";
}

// A file that is no tape is "no tape", not a damaged one; -x into a
// folder whose parent is missing names that folder.
TEST(TapeProgram, NoTapeAndAMissingFolderAreNamedAsSuch) {
    TempDir dir;
    dir.write("notes.txt", {'L', 'O', 'A', 'D', ' ', 'I', 'T', '\n'});
    const Outcome text = tape_tool(dir, {"notes.txt"});
    EXPECT_EQ(text.status, 40);
    EXPECT_EQ(text.err, "No tape blocks in 'notes.txt'!\n");
    make_two_files(dir);
    const Outcome missing = tape_tool(dir, {"-x", "no/such/out", "game.ptp"});
    EXPECT_EQ(missing.status, 10);
    EXPECT_EQ(missing.err, "Can't make the folder 'no/such/out': the folder 'no/such' that would hold it is not there!\n");
    EXPECT_FALSE(dir.exists("no"));
    const Outcome made = tape_tool(dir, {"-x", "out", "game.ptp"});
    EXPECT_EQ(made.status, 0) << "a missing DIR whose parent is there is made";
}

TEST(TapeProgram, EveryDamagedFormIsRefusedWithItsMessageAndNothingIsWritten) {
    const Bytes header = header_block(3, '?', 0x100, 3, "A");
    const struct {
        const char* what;
        Bytes image;
        int status;
        const char* listing;  // the listing's lines after its title and column names
        const char* message;
    } cases[] = {
        {"header checksum", joined({ptp_record(header_block(3, '?', 0x100, 3, "A", 1)), ptp_record(data_block(DATA))}), 42,
         "03  ?     0100        3  A         bad     ok\n",
         "Bad checksum in tape image 't.ptp': record 1 at offset 0: the header checksum of file 03 \"A\" fails"},
        {"short data", joined({ptp_record(header), ptp_record({1, 2})}), 41,
         "03  ?     0100        3  A         ok      short\n",
         "Damaged tape image 't.ptp': record 2 at offset 65: the data block of file 03 \"A\" holds 2 bytes, its header "
         "says 4"},
        {"data checksum", joined({ptp_record(header), ptp_record({'A', 'B', 'C', 0})}), 42,
         "03  ?     0100        3  A         ok      bad\n",
         "Bad checksum in tape image 't.ptp': record 2 at offset 65: the data checksum of file 03 \"A\" fails"},
        {"no data", ptp_record(header), 41, "03  ?     0100        3  A         ok      missing\n",
         "Damaged tape image 't.ptp': record 1 at offset 0: file 03 \"A\" has no data block"},
        {"record past the end", joined({ptp_record(header), {0x10, 0x00, 1, 2}}), 41, nullptr,
         "Damaged tape image 't.ptp': record 2 at offset 65 is 16 bytes long, the image holds 2"},
        {"empty", {}, 40, nullptr, "No tape blocks in 't.ptp'!"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        dir.write("t.ptp", c.image);
        const Outcome listed = tape_tool(dir, {"t.ptp"});
        EXPECT_EQ(listed.status, c.status) << c.what;
        EXPECT_EQ(listed.err, std::string(c.message) + "\n") << c.what;
        if (c.listing) {
            EXPECT_EQ(listed.out, std::string("t.ptp: PTP image, 1 file\nNo  Type  Start  Length  Name      Header  Data\n") +
                                      c.listing)
                << c.what;
        } else {
            EXPECT_EQ(listed.out, "") << c.what;
        }
        for (const std::vector<std::string>& use : {std::vector<std::string>{"-x", "out", "t.ptp"},
                                                     {"--wav", "t.wav", "t.ptp"}, {"--snapshot", "t.zvk", "t.ptp"}}) {
            const Outcome refused = tape_tool(dir, use);
            EXPECT_EQ(refused.status, c.status) << c.what << " " << use[0];
            EXPECT_EQ(refused.err, std::string(c.message) + "\n") << c.what << " " << use[0];
            EXPECT_EQ(dir.entries(), std::vector<std::string>{"t.ptp"}) << c.what << " " << use[0];
        }
    }
}

TEST(TapeProgram, WhatAHeaderCannotHoldIsRefusedNamingTheOptionOrFileAndNothingIsWritten) {
    const struct {
        std::vector<std::string> arguments;
        int status;
        const char* message;
    } cases[] = {
        {{"--name", "TOOLONGNAME", "0x9000", "a.bin"}, 64,
         "quillet-tape: give a NAME of 8 printable ASCII characters at most: --name 'TOOLONGNAME'\n"},
        {{"--name", "\xC3\xA9t\xC3\xA9", "0x9000", "a.bin"}, 64,
         "quillet-tape: give a NAME of 8 printable ASCII characters at most: --name '\xC3\xA9t\xC3\xA9'\n"},
        {{"0x9000", "\xC3\xA9t\xC3\xA9.bin"}, 64,
         "quillet-tape: give the FILE a name of 8 printable ASCII characters with --name: '\xC3\xA9t\xC3\xA9.bin'\n"},
        {{"--number", "100", "0x9000", "a.bin"}, 64, "quillet-tape: bad file number (0 to 99) '100'\n"},
        {{"--number", "99", "0x9000", "a.bin", "0x9100", "a.bin"}, 64,
         "quillet-tape: file numbers over 99 for 2 files from --number '99'\n"},
        {{"--type", "??", "0x9000", "a.bin"}, 64, "quillet-tape: bad file type (one printable ASCII character) '\?\?'\n"},
        {{"0xFFFE", "a.bin"}, 8, "Source file 'a.bin' is too long! Max length 2 bytes.\n"},
        {{"0x10000", "a.bin"}, 64, "quillet-tape: bad address (0 to 0xFFFF) '0x10000'\n"},
        {{"0x9000", "empty.bin"}, 64, "quillet-tape: empty FILE 'empty.bin'\n"},
        {{"0x9000"}, 64, "quillet-tape: ADDR without its FILE '0x9000'\n"},
        {{"0x9000", "missing.bin"}, 5, "Can't open source file 'missing.bin'!\n"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        dir.write("a.bin", {1, 2, 3});
        dir.write("\xC3\xA9t\xC3\xA9.bin", {1, 2, 3});
        dir.write("empty.bin", {});
        std::vector<std::string> arguments = {"-o", "t.ptp"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const Outcome refused = tape_tool(dir, arguments);
        const std::string help = c.status == 64 ? "Try 'quillet-tape --help' for more information.\n" : "";
        EXPECT_EQ(refused.status, c.status) << c.message;
        EXPECT_EQ(refused.err, c.message + help);
        EXPECT_FALSE(dir.exists("t.ptp")) << c.message;
    }
}

// The WAV file quillet-tape wrote, as a worn deck plays it back into a
// recorder: `speed` times as fast, with noise, at 44100 samples a second
// in 16 bits.
Bytes played_back(const Bytes& wav, double speed, double noise_level) {
    const std::size_t count = wav.size() - 44;
    std::mt19937 random(99);
    std::normal_distribution<double> noise(0.0, noise_level);
    Bytes samples;
    for (double at = 0; at < count - 1; at += 48000.0 / 44100 * speed) {
        const std::size_t i = static_cast<std::size_t>(at);
        double value = (wav[44 + i] - 128) / 128.0 * 0.6 + noise(random) * 0.6;
        value = value > 1 ? 1 : value < -1 ? -1 : value;
        const auto v = static_cast<std::int16_t>(std::lround(value * 32767));
        samples.push_back(static_cast<std::uint8_t>(v & 0xFF));
        samples.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
    }
    Bytes out(44 + samples.size());
    std::copy(wav.begin(), wav.begin() + 44, out.begin());
    std::copy(samples.begin(), samples.end(), out.begin() + 44);
    const auto put = [&](std::size_t at, std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    };
    put(4, static_cast<std::uint32_t>(36 + samples.size()), 4);
    put(24, 44100, 4);
    put(28, 88200, 4);
    put(32, 2, 2);
    put(34, 16, 2);
    put(40, static_cast<std::uint32_t>(samples.size()), 4);
    return out;
}

TEST(TapeProgram, TheSoundOfATapeReadsBackWithNoiseAndSpeedError) {
    TempDir dir;
    make_two_files(dir);
    const Outcome sound = tape_tool(dir, {"--wav", "game.wav", "game.ptp"});
    ASSERT_EQ(sound.status, 0) << sound.err;
    const Bytes wav = dir.read("game.wav");
    for (const double speed : {1.0, 1.03, 0.97}) {
        dir.write("played.wav", played_back(wav, speed, 0.2));
        const Outcome listed = tape_tool(dir, {"played.wav"});
        EXPECT_EQ(listed.status, 0) << speed << listed.err;
        std::string expected = TWO_FILES_LISTING;
        expected.replace(0, std::string("game.ptp: PTP image").size(), "played.wav: WAV recording");
        EXPECT_EQ(listed.out, expected) << speed;
        const Outcome extracted = tape_tool(dir, {"-x", "out", "played.wav"});
        EXPECT_EQ(extracted.status, 0) << speed;
        EXPECT_EQ(dir.read("out/01-STRIPES.bin"), PROGRAM) << speed;
        EXPECT_EQ(dir.read("out/02-LEVEL1.bin"), DATA) << speed;
    }
}

TEST(TapeProgram, ATapeTurnedIntoASnapshotRunsInQuilletRun) {
    TempDir dir;
    make_two_files(dir);
    const Outcome made = tape_tool(dir, {"--snapshot", "game.zvk", "game.ptp"});
    ASSERT_EQ(made.status, 0) << made.err;
    EXPECT_EQ(made.out + made.err, "");
    const Outcome ran = run_in(dir, QUILLET_RUN_EXECUTABLE,
                           {"game.zvk", "--expect", "PC=0x9006", "--expect-mem", "0xC000=FF", "--expect-mem", "0x2400=414243"});
    EXPECT_EQ(ran.status, 0) << ran.out << ran.err;
    // The HLT is the last byte at 0x9005; PC stays past it, as the chip holds it.
    EXPECT_NE(ran.out.find("Stopped:           halt at 0x9005\n"), std::string::npos) << ran.out;

    // Model V2 keeps no memory at 0x8000..0xBFFF: refused, not lost.
    const Outcome v2 = tape_tool(dir, {"--snapshot", "v2.zvk", "--model", "V2", "game.ptp"});
    EXPECT_EQ(v2.status, 64);
    EXPECT_EQ(v2.err, "quillet-tape: file 07 lies in 0x8000-0xBFFF, which a snapshot of model V2 does not hold; "
                      "choose V2A, V3 or C2717 with --model: 'STRIPES'\nTry 'quillet-tape --help' for more information.\n");
    EXPECT_FALSE(dir.exists("v2.zvk"));
}

// With --monitor the machine itself loads the tape: the monitor boots,
// MGLD loads the first ? file only, JUMP starts it, and the snapshot holds
// what the monitor set up on the way (its screen with the command typed).
TEST(TapeProgram, ASnapshotLoadedThroughTheMonitorStartsAsTheMachineDoes) {
    const std::string roms = quillet::test::pmd85_roms_dir();
    if (roms.empty()) GTEST_SKIP() << quillet::test::NO_PMD85_ROMS;
    // The default model's own monitor: another model's runs with a warning.
    const std::string monitor = roms + "/monit2A.rom";
    TempDir dir;
    make_two_files(dir);
    const Outcome made = tape_tool(dir, {"--snapshot", "game.zvk", "--monitor", monitor, "game.ptp"});
    ASSERT_EQ(made.status, 0) << made.err;
    EXPECT_EQ(made.out + made.err, "");
    const Outcome ran = run_in(dir, QUILLET_RUN_EXECUTABLE,
                               {"game.zvk", "--monitor", monitor, "--expect", "PC=0x9006", "--expect-mem", "0xC000=FF",
                                "--expect-mem", "0x2400=000000", "--expect-text", "MGLD 07"});
    EXPECT_EQ(ran.status, 0) << ran.out << ran.err;

    const Outcome wrong_monitor = tape_tool(dir, {"--snapshot", "v.zvk", "--monitor", "game.ptp", "game.ptp"});
    EXPECT_EQ(wrong_monitor.status, 64) << wrong_monitor.err;
    EXPECT_FALSE(dir.exists("v.zvk"));
    const Outcome alone = tape_tool(dir, {"--monitor", monitor, "game.ptp"});
    EXPECT_EQ(alone.status, 64);
    EXPECT_EQ(alone.err.substr(0, alone.err.find('\n')), "quillet-tape: --monitor needs --snapshot OUT '" + monitor + "'");
}

TEST(TapeProgram, TheRealImagesAreListed) {
    const Bytes auto_image = quillet_test::real_tape("AUTO.pmd");
    const Bytes bludiste = quillet_test::real_tape("BLUDISTE.pmd");
    if (auto_image.empty() || bludiste.empty()) GTEST_SKIP() << "../shared/pmd85-tapes is not there";
    TempDir dir;
    dir.write("AUTO.pmd", auto_image);
    dir.write("BLUDISTE.pmd", bludiste);
    const Outcome listed_auto = tape_tool(dir, {"AUTO.pmd"});
    EXPECT_EQ(listed_auto.status, 0);
    EXPECT_EQ(listed_auto.out,
              "AUTO.pmd: PMD image, 1 file\nNo  Type  Start  Length  Name      Header  Data\n"
              "00  ?     2000     1253  AUTO      ok      ok\n");
    const Outcome listed = tape_tool(dir, {"BLUDISTE.pmd"});
    EXPECT_EQ(listed.status, 0);
    EXPECT_EQ(listed.out,
              "BLUDISTE.pmd: PMD image, 1 file\nNo  Type  Start  Length  Name      Header  Data\n"
              "00  ?     7FA9       87  BLUDISTE  ok      ok\n--  block of no file, 8416 bytes\n");
    // As PTP, the loader's blocks stay as they were.
    ASSERT_EQ(tape_tool(dir, {"-x", "x", "BLUDISTE.pmd"}).status, 0);
    EXPECT_EQ(dir.read("x/02-block.bin"), Bytes(bludiste.end() - 8416, bludiste.end()));
}

TEST(TapeProgram, UsageErrors) {
    const struct {
        std::vector<std::string> arguments;
        const char* message;
    } cases[] = {
        {{}, "no TAPE given"},
        {{"a.ptp", "b.ptp"}, "one TAPE only; also given 'b.ptp'"},
        {{"-x", "d", "--wav", "w.wav", "a.ptp"}, "--wav cannot go with '-x'"},
        {{"--json", "--wav", "w.wav", "a.ptp"}, "--json only lists a tape, not with '--wav'"},
        {{"--pmd", "a.ptp"}, "--pmd needs -o OUT"},
        {{"--model", "V1", "a.ptp"}, "--model needs --snapshot OUT 'V1'"},
        {{"--snapshot", "s.zvk", "--model", "V9", "a.ptp"}, "bad computer model 'V9'"},
        {{"--wav", "a.ptp", "./a.ptp"}, "--wav 'a.ptp' would replace the input TAPE './a.ptp'"},
        {{"--snapshot", "a.ptp", "a.ptp"}, "--snapshot 'a.ptp' would replace the input TAPE 'a.ptp'"},
        {{"-o", "a.bin", "0", "a.bin"}, "-o 'a.bin' would replace the input FILE 'a.bin'"},
        {{"--bogus"}, "unknown option '--bogus'"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        dir.write("a.ptp", joined({ptp_record(header_block(1, '?', 0, 3, "A")), ptp_record(data_block(DATA))}));
        dir.write("a.bin", DATA);
        const Outcome refused = tape_tool(dir, c.arguments);
        EXPECT_EQ(refused.status, 64) << c.message;
        EXPECT_EQ(refused.err,
                  std::string("quillet-tape: ") + c.message + "\nTry 'quillet-tape --help' for more information.\n");
        EXPECT_EQ(refused.out, "");
        EXPECT_EQ(dir.read("a.ptp").size(), 2u + 63 + 2 + 4) << c.message;
        EXPECT_EQ(dir.read("a.bin"), DATA) << c.message;
    }
}

}  // namespace
