// Helpers for the unit tests: a reporter that collects what the library
// hands it, ascending byte strings, and views of a Snapshot's contents.
// Temporary directories come from support/temp_dir.hpp; expected snapshot
// headers and the other byte strings from support/snapshot_bytes.hpp.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "base/failure.hpp"
#include "snapshot/snapshot.hpp"
#include "support/snapshot_bytes.hpp"
#include "support/temp_dir.hpp"

namespace quillet_test {

// One failure (negative code) or progress line (code 0) as it was handed over.
struct Report {
    int code;
    std::string text;
};
bool operator==(const Report& a, const Report& b);
void PrintTo(const Report& report, std::ostream* os);
using Reports = std::vector<Report>;

// Collects every report, in order. `take` fits both the library's Reporter
// and quillet_set_reporter(), with the log as `user`.
class ReportLog {
public:
    static void take(void* user, int code, const char* text);
    quillet::Reporter reporter() { return quillet::Reporter{take, this}; }
    Reports reports;
};

// `count` bytes start, start + 1, ... (modulo 256): no two neighbours are equal.
Bytes ascending(int count, int start = 0);

// Substitutes `path` for every "%s" of `format`.
std::string message(const std::string& format, const std::string& path = "");

// The 16384 bytes of page `page`, or nothing when it is absent.
Bytes page_of(const quillet::Snapshot& snapshot, int page);
Bytes rom_of(const quillet::Snapshot& snapshot);
std::vector<int> present_pages(const quillet::Snapshot& snapshot);

// Creates page `page` and copies `content` (16384 bytes) into it.
void set_page(quillet::Snapshot* snapshot, int page, const Bytes& content);

// Everything the snapshot holds, its stored layout included, as one byte
// string: two snapshots hold the same exactly when these are equal.
Bytes contents_of(const quillet::Snapshot& snapshot);

}  // namespace quillet_test
