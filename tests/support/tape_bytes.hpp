// Helpers of the tape tests: blocks assembled by hand from their fields
// (never by the code under test), PTP records, and the real tape images of
// ../shared/pmd85-tapes when they are there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillet_test {

using TapeBytes = std::vector<std::uint8_t>;

// A 63-byte header block: the lead-ins, the fields and their checksum
// (`checksum_change` added to it, to damage it).
TapeBytes header_block(int number, char type, unsigned start, unsigned length, const std::string& name,
                       int checksum_change = 0);
// `data` followed by its checksum.
TapeBytes data_block(const TapeBytes& data);
// One PTP record: the length word and `block`.
TapeBytes ptp_record(const TapeBytes& block);
TapeBytes joined(const std::vector<TapeBytes>& pieces);

// The content of ../shared/pmd85-tapes/NAME, or empty when it is not there.
TapeBytes real_tape(const std::string& name);

}  // namespace quillet_test
