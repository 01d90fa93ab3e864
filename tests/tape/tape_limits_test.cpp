// quillet-tape at the edges of what it is given: a WAV recording larger
// than the memory the process may have is written whole as it is made, one
// past what a WAV file can hold is refused before anything is written, -x
// of many blocks holds one file open at a time, and the bytes a header
// stores reach every output escaped, none of them cut off or raw.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/process.hpp"
#include "support/tape_bytes.hpp"
#include "support/target.hpp"
#include "support/temp_dir.hpp"

#if defined(__SANITIZE_ADDRESS__)
#define QUILLET_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUILLET_UNDER_ASAN 1
#endif
#endif

namespace {

using quillet_test::Bytes;
using quillet_test::data_block;
using quillet_test::header_block;
using quillet_test::joined;
using quillet_test::ptp_record;
using quillet_test::TempDir;

// The written signal's timing: 40 samples (bytes) a bit, 11 bits a byte,
// 3600 idle bits before the first block, 600 before any other block that
// is no header, 240 after the last.
constexpr std::uint64_t SAMPLES_PER_BIT = 40;
constexpr std::uint64_t FRAME_BITS = 11;
constexpr std::uint64_t FIRST_LEAD_IN = 3600, BLOCK_LEAD_IN = 600, TAIL = 240;
constexpr std::uint64_t WAV_HEADER = 44;
constexpr std::uint64_t WAV_DATA_MAX = 0xFFFFFFFFull - 36;

struct Outcome {
    std::string out;
    std::string err;
    int status;
};

Outcome tape_tool(const TempDir& dir, const std::vector<std::string>& arguments,
                  quillet_test::ProcessSetup setup = {}) {
    setup.working_directory = dir.path();
    const quillet_test::ProcessResult r =
        quillet_test::run_process(quillet_test::program_under_test(QUILLET_TAPE_EXECUTABLE), arguments, setup);
    Outcome outcome{"", "", r.exit_status};
    EXPECT_TRUE(quillet_test::from_native_text(r.standard_output, &outcome.out));
    EXPECT_TRUE(quillet_test::from_native_text(r.standard_error, &outcome.err));
    return outcome;
}

// A PTP image of `count` blocks of no file, `length` bytes each.
Bytes plain_blocks(std::size_t count, std::size_t length) {
    std::vector<Bytes> records;
    for (std::size_t i = 0; i < count; ++i) records.push_back(ptp_record(Bytes(length, static_cast<std::uint8_t>(i))));
    return joined(records);
}

// The bytes of samples of such a tape's WAV recording.
std::uint64_t samples_of_plain_blocks(std::uint64_t count, std::uint64_t length) {
    return SAMPLES_PER_BIT * (FIRST_LEAD_IN + (count - 1) * BLOCK_LEAD_IN + count * length * FRAME_BITS + TAIL);
}

std::uint64_t word32_at(const Bytes& bytes, std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | static_cast<std::uint64_t>(bytes[at + 2]) << 16 |
           static_cast<std::uint64_t>(bytes[at + 3]) << 24;
}

bool under_asan() {
#ifdef QUILLET_UNDER_ASAN
    return true;
#else
    return false;
#endif
}

TEST(TapeLimits, AWavRecordingLargerThanTheMemoryAllowedIsWrittenWhole) {
    QUILLET_REQUIRE(quillet_test::Facility::RESOURCE_LIMITS);
    if (under_asan()) GTEST_SKIP() << "AddressSanitizer reserves far more address space than the limit";
    TempDir dir;
    // 200 blocks of 1000 bytes: about 93 MB of samples, twice the limit.
    dir.write("long.ptp", plain_blocks(200, 1000));
    quillet_test::ProcessSetup limited;
    limited.address_space_limit = 48LL * 1024 * 1024;
    const Outcome made = tape_tool(dir, {"--wav", "long.wav", "long.ptp"}, limited);
    ASSERT_EQ(made.status, 0) << made.err;
    const std::uint64_t samples = samples_of_plain_blocks(200, 1000);
    ASSERT_GT(samples, static_cast<std::uint64_t>(limited.address_space_limit));
    const Bytes wav = dir.read("long.wav");
    ASSERT_EQ(wav.size(), WAV_HEADER + samples);
    EXPECT_EQ(word32_at(wav, 4), samples + 36);  // the RIFF size
    EXPECT_EQ(word32_at(wav, 40), samples);      // the data size
    // Read back, it is the tape it was made from.
    const Outcome listed = tape_tool(dir, {"long.wav"});
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_NE(listed.out.find("long.wav: WAV recording, 0 files\n"), std::string::npos) << listed.out;
}

// A WAV file's sizes are 32-bit numbers: a tape whose samples would pass
// them is refused, naming the limit, before any of it is written (or made
// in memory: the run has no room for it).
TEST(TapeLimits, AWavRecordingPastWhatAWavFileHoldsIsRefusedBeforeAnythingIsWritten) {
    TempDir dir;
    dir.write("huge.ptp", plain_blocks(150, 65535));
    const std::uint64_t samples = samples_of_plain_blocks(150, 65535);
    ASSERT_GT(samples, WAV_DATA_MAX);
    quillet_test::ProcessSetup limited;
    if (!quillet_test::lacking(quillet_test::Facility::RESOURCE_LIMITS) && !under_asan()) {
        limited.address_space_limit = 512LL * 1024 * 1024;
    }
    const Outcome refused = tape_tool(dir, {"--wav", "huge.wav", "huge.ptp"}, limited);
    EXPECT_EQ(refused.status, 13);
    EXPECT_EQ(refused.err, "Value " + std::to_string(samples) +
                               " is out of range for the samples of a WAV file (at most 4294967259 bytes)\n");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"huge.ptp"});
}

// Each piece is written and closed before the next: the open files allowed
// do not bound the pieces of a tape.
TEST(TapeLimits, ExtractingMoreBlocksThanFilesMayBeOpenWritesThemAll) {
    QUILLET_REQUIRE(quillet_test::Facility::RESOURCE_LIMITS);
    TempDir dir;
    dir.write("many.ptp", plain_blocks(300, 3));
    quillet_test::ProcessSetup limited;
    limited.open_files_limit = 64;
    const Outcome extracted = tape_tool(dir, {"-x", "parts", "many.ptp"}, limited);
    ASSERT_EQ(extracted.status, 0) << extracted.err;
    const std::vector<std::string> parts = dir.entries("parts");
    EXPECT_EQ(parts.size(), 300u);
    EXPECT_EQ(dir.read("parts/" + parts.front()), Bytes(3, 0));
}

// A name with a 0 byte, a byte above 0x7E and a type 0x00: every byte is
// shown, none cut off; the JSON stays JSON (\u00XX), the listing shows
// \xNN, and the file -x writes keeps the letters on both sides.
TEST(TapeLimits, EveryByteOfAHeaderIsShownEscapedInEveryOutput) {
    TempDir dir;
    const std::string name("A\0B\x80", 4);
    dir.write("odd.ptp", joined({ptp_record(header_block(1, '\0', 0x100, 2, name)), ptp_record(data_block({1, 2}))}));
    const Outcome listed = tape_tool(dir, {"odd.ptp"});
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(listed.out,
              "odd.ptp: PTP image, 1 file\n"
              "No  Type  Start  Length  Name      Header  Data\n"
              "01  \\x00  0100        2  A\\x00B\\x80  ok      ok\n");
    const Outcome json = tape_tool(dir, {"--json", "odd.ptp"});
    EXPECT_EQ(json.status, 0) << json.err;
    EXPECT_NE(json.out.find("\"type\": \"\\u0000\""), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"name\": \"A\\u0000B\\u0080\""), std::string::npos) << json.out;
    for (const char c : json.out) EXPECT_LT(static_cast<unsigned char>(c), 0x80) << "a raw byte in the JSON";
    const Outcome extracted = tape_tool(dir, {"-x", "parts", "odd.ptp"});
    EXPECT_EQ(extracted.status, 0) << extracted.err;
    EXPECT_EQ(dir.entries("parts"), std::vector<std::string>{"01-A_B_.bin"});
}

}  // namespace
