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
//   "peek", "disassembly", "find", "diff"  only when asked, each after a
//                     comma:
//
//   "peek"  array, one per RANGE: {"page": null (the 64 KB address space)
//           or the page number, "first", "last" (addresses or offsets),
//           "bytes": two lower-case hex digits a byte, "--" an absent one}
//   "disassembly"  array, one per RANGE of --disassemble: {"page", "first",
//           "last" as in "peek", "listing": [{"address" (or page offset),
//           "bytes" (as in "peek"), "text"}]}, one entry per line of the
//           text listing (disassembly_listing.hpp); a run of absent bytes
//           has "--" for each of them and "text": null
//   "find"  array, one per HEX: {"hex": the bytes in lower case,
//           "addresses": numbers, "pages": [{"page", "offset"}]}
//   "diff"  {"other": OTHER as given, "same": boolean,
//           "header": [{"field", "offset", "a", "b"}] (a from FILE, b from
//           OTHER, numbers), "rom": null or {"a_length", "b_length",
//           "first", "count"}, "memory": [{"block", "first", "last",
//           "count", "absent": null, "a" or "b"}]}; "diff" is null when
//           OTHER could not be read
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "questions.hpp"
#include "snapshot_facts.hpp"

namespace quillet::info {

// Writes the object of a gathered snapshot; `status` is 0 or the exit
// status of a later step (extraction, comparison) for that file.
void print_summary_json(std::FILE* out, const SnapshotFacts& summary, int status);

// The same in two steps, so that more members can follow the summary's:
// the object without its line end and closing brace, then those.
void print_summary_json_members(std::FILE* out, const SnapshotFacts& summary, int status);
void close_json_object(std::FILE* out);

// Writes the object of a file that could not be read: its `file` and
// `status`, and its `detail` when there is one.
void print_failure_json(std::FILE* out, const char* path, int status, const std::string& detail);


void print_peek_json(std::FILE* out, const MemoryView& view, const std::vector<MemoryRange>& ranges);
void print_disassembly_json(std::FILE* out, const MemoryView& view, const std::vector<MemoryRange>& ranges);
void print_find_json(std::FILE* out, const std::vector<SearchPattern>& patterns,
                     const std::vector<SearchMatches>& matches);
// `diff` null: OTHER could not be read.
void print_diff_json(std::FILE* out, const char* other, const SnapshotDiff* diff);

}  // namespace quillet::info
