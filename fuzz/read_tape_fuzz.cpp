// The tape readers (PTP, PMD, WAV) on arbitrary bytes, through the public
// interface.
//
// Input: one byte of mode, then the image. Mode bit 0 set: the image is the
// samples of an 8-bit mono recording at 8000 samples a second, put behind a
// WAV header here so that the signal decoder sees arbitrary sound; clear:
// the bytes are the file (a PTP or PMD image, or a WAV file of their own).
// A tape that is read must describe itself consistently, write itself as
// PTP and read back as the same blocks.
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_check.hpp"
#include "quillet/quillet.h"

namespace {

void put(std::vector<std::uint8_t>* out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out->push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::vector<std::uint8_t> as_recording(const std::uint8_t* samples, std::size_t length) {
    std::vector<std::uint8_t> wav;
    const auto text = [&](const char* t) { wav.insert(wav.end(), t, t + 4); };
    text("RIFF");
    put(&wav, static_cast<std::uint32_t>(36 + length), 4);
    text("WAVE");
    text("fmt ");
    put(&wav, 16, 4);
    put(&wav, 1, 2);
    put(&wav, 1, 2);
    put(&wav, 8000, 4);
    put(&wav, 8000, 4);
    put(&wav, 1, 2);
    put(&wav, 8, 2);
    text("data");
    put(&wav, static_cast<std::uint32_t>(length), 4);
    wav.insert(wav.end(), samples, samples + length);
    return wav;
}

// Every entry's data as the interface copies it, blocks in order.
void check_entries(const quillet_tape* tape) {
    const std::size_t count = quillet_tape_entry_count(tape);
    std::size_t next_block = 0;
    for (std::size_t i = 0; i < count; ++i) {
        quillet_tape_entry entry;
        FUZZ_CHECK(quillet_tape_entry_info(tape, i, &entry) == 0);
        FUZZ_CHECK(entry.block >= next_block);
        next_block = entry.block + 1;
        if (entry.is_file) {
            FUZZ_CHECK(entry.length >= 1 && entry.length <= 65536);
            FUZZ_CHECK(entry.data_length <= entry.length);
            FUZZ_CHECK(!entry.data_checksum_holds || entry.data_complete);
        }
        std::vector<std::uint8_t> data(entry.data_length + 1, 0xA5);
        FUZZ_CHECK(quillet_tape_entry_data(tape, i, data.data(), entry.data_length) ==
                   static_cast<long>(entry.data_length));
        FUZZ_CHECK(data[entry.data_length] == 0xA5);
    }
    quillet_tape_entry entry;
    FUZZ_CHECK(quillet_tape_entry_info(tape, count, &entry) == QUILLET_ERR_VALUE_RANGE);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    std::vector<std::uint8_t> image = (data[0] & 1) ? as_recording(data + 1, size - 1)
                                                    : std::vector<std::uint8_t>(data + 1, data + size);
    quillet_tape* tape = quillet_tape_new();
    FUZZ_CHECK(tape != nullptr);
    const int result = quillet_tape_read_bytes(tape, image.data(), image.size(), "fuzz");
    FUZZ_CHECK(result == 0 || result == QUILLET_ERR_TAPE_FORMAT || result == QUILLET_ERR_TAPE_DAMAGED ||
               result == QUILLET_ERR_BAD_RECORDING);
    if (result == 0) {
        FUZZ_CHECK(quillet_tape_entry_count(tape) > 0);
        check_entries(tape);
        const int check = quillet_tape_check(tape, "fuzz");
        FUZZ_CHECK(check == 0 || check == QUILLET_ERR_TAPE_CHECKSUM || check == QUILLET_ERR_TAPE_DAMAGED);
        // A block of a recording or of a PMD image may be longer than a PTP
        // record holds.
        std::size_t size_needed = 0;
        const int sized = quillet_tape_write_bytes(tape, QUILLET_TAPE_PTP, nullptr, 0, &size_needed);
        FUZZ_CHECK(sized == QUILLET_ERR_OUTPUT_WRITE || sized == QUILLET_ERR_VALUE_RANGE);
        if (sized == QUILLET_ERR_VALUE_RANGE) size_needed = 0;
        std::vector<std::uint8_t> ptp(size_needed);
        std::size_t written = 0;
        if (quillet_tape_write_bytes(tape, QUILLET_TAPE_PTP, ptp.data(), ptp.size(), &written) == 0 &&
            quillet_tape_kind(tape) != QUILLET_TAPE_WAV) {
            FUZZ_CHECK(written == ptp.size());
            quillet_tape* again = quillet_tape_new();
            FUZZ_CHECK(quillet_tape_read_bytes(again, ptp.data(), ptp.size(), "again") == 0);
            FUZZ_CHECK(quillet_tape_entry_count(again) == quillet_tape_entry_count(tape));
            for (std::size_t i = 0; i < quillet_tape_entry_count(tape); ++i) {
                quillet_tape_entry a, b;
                quillet_tape_entry_info(tape, i, &a);
                quillet_tape_entry_info(again, i, &b);
                FUZZ_CHECK(a.is_file == b.is_file && a.data_length == b.data_length && a.block == b.block);
                FUZZ_CHECK(std::memcmp(a.name, b.name, sizeof a.name) == 0);
            }
            quillet_tape_free(again);
        }
    }
    quillet_tape_free(tape);
    return 0;
}
