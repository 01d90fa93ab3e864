// A snapshot that one scope owns: created with the library's defaults and
// freed when the scope ends, on every path. Null when memory ran out.
#pragma once

#include "quillet/quillet.h"

namespace quillet::common {

class OwnedSnapshot {
public:
    OwnedSnapshot() : snapshot_(quillet_snapshot_new()) {}
    ~OwnedSnapshot() { quillet_snapshot_free(snapshot_); }
    OwnedSnapshot(const OwnedSnapshot&) = delete;
    OwnedSnapshot& operator=(const OwnedSnapshot&) = delete;

    quillet_snapshot* get() const { return snapshot_; }

private:
    quillet_snapshot* snapshot_;
};

}  // namespace quillet::common
