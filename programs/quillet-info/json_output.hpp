// The JSON form of quillet-info's summary: one object per file.
//
// Keys of an object, always in this order (numbers are JSON numbers):
//   "file"            the path as given (string)
//   "status"          0, or the exit status this file caused (the absolute
//                     failure code); a file that could not be read has only
//                     "file" and "status"
//   "version"         format version byte
//   "header_length"   header length in bytes
//   "model"           model name ("V1" .. "C2717"); "model_number" its byte
//   "interrupts_enabled"  boolean
//   "registers"       {"AF", "BC", "DE", "HL", "PC", "SP"}: numbers
//   "flags"           {"S", "Z", "AC", "P", "CY"}: booleans, the bits of F
//   "allram"          "on", "off" or "other"; "allram_byte" the byte itself
//   "addon_hardware"  null for a version 1 header, else an object:
//       "vcpu_interrupt_circuit"  "not_plugged", "interrupt_disabled",
//                                 "interrupt_enabled" or "unknown";
//       "vcpu_interrupt_circuit_byte"  the byte;
//       "mapper_port"  null (no mapper) or the port value;
//       "mif85"        as "vcpu_interrupt_circuit" (CT0 interrupt);
//       "mif85_byte"   the byte;
//       "musica_plugged"  boolean
//   "rom"             null, or {"form": "raw"|"fill"|"run", "descriptor",
//                     "stored_length", "unpacked_length", "offset"}
//   "blocks"          one object per block slot (4 or 16): "index",
//                     "address_first" and "address_last" (null for the
//                     mapper pages 4..15), "state" ("present", "absent" or
//                     "not_stored"), "form" (null unless present),
//                     "stored_length" (0 unless present), "offset" (null
//                     unless present), "length_word" (the header's word)
//   "file_size", "end_offset" (just after the last piece), "trailing_bytes"
//                     (null when the size is unknown)
//   "peek", "find", "diff"  only when asked: see answers_json.hpp
#pragma once

#include <cstdio>

#include "snapshot_summary.hpp"

namespace quillet::info {

// Writes the object of a gathered snapshot; `status` is 0 or the exit
// status of a later step (extraction, comparison) for that file.
void print_summary_json(std::FILE* out, const SnapshotSummary& summary, int status);

// The same in two steps, so that more members can follow the summary's:
// the object without its line end and closing brace, then those.
void print_summary_json_members(std::FILE* out, const SnapshotSummary& summary, int status);
void close_json_object(std::FILE* out);

// Writes the object of a file that could not be read.
void print_failure_json(std::FILE* out, const char* path, int status);

// Writes `text` as a JSON string, quotes included.
void print_json_string(std::FILE* out, const char* text);

}  // namespace quillet::info
