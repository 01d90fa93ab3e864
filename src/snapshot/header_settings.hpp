// A snapshot's settings as header bytes and back, field by field of the
// header table (snapshot_format): the writer lays them out, the reader
// takes them in, and the public interface reads and sets one field.
#pragma once

#include <cstdint>

#include "snapshot/snapshot.hpp"

namespace quillet {

// Writes every setting field of `s` at its place in `header`
// (HEADER_BUFFER_SIZE bytes), whatever the version; other bytes stay.
void lay_out_settings(const Snapshot& s, std::uint8_t* header);

// Takes every setting field of `header` into `s`: the inverse of
// lay_out_settings (a non-zero interrupt byte reads as enabled).
void take_setting_fields(Snapshot* s, const std::uint8_t* header);

// The fields that a header of `version` and `length` bytes holds whole.
inline bool header_holds(const HeaderField& field, int version, int length) {
    return field.first_version <= version && field.offset + field.width <= length;
}

// The bytes of field `field` (0..HEADER_FIELD_COUNT-1) into `out` (its
// width): a setting as `s` holds it now, another field as the file that
// `s` was read from held it (zeros when it was not read from a file).
void field_bytes(const Snapshot& s, int field, std::uint8_t* out);

}  // namespace quillet
