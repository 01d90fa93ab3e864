// The JSON answers of --peek, --find and --diff: members appended to the
// object of the FILE they asked about, each after a comma.
//
//   "peek"  array, one per RANGE: {"page": null (the 64 KB address space)
//           or the page number, "first", "last" (addresses or offsets),
//           "bytes": two lower-case hex digits a byte, "--" an absent one}
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
#include <vector>

#include "byte_search.hpp"
#include "memory_view.hpp"
#include "snapshot_diff.hpp"

namespace quillet::info {

void print_peek_json(std::FILE* out, const MemoryView& view, const std::vector<MemoryRange>& ranges);
void print_find_json(std::FILE* out, const std::vector<SearchPattern>& patterns,
                     const std::vector<SearchMatches>& matches);
// `diff` null: OTHER could not be read.
void print_diff_json(std::FILE* out, const char* other, const SnapshotDiff* diff);

}  // namespace quillet::info
