// The OUT writes of a run, for --out-log: kept in a temporary file as the
// run goes, so that a run of any length lists every write in constant
// memory (where no temporary file can be made, in memory).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

namespace quillet::run {

struct PortWrite {
    int port;
    int value;
    std::uint64_t state;  // the state count after the OUT
};

class WriteLog {
public:
    WriteLog();
    void add(const PortWrite& write);
    std::size_t size() const { return count_; }
    // Calls `visit` with each write, in the order of the run.
    template <typename Visit>
    void for_each(Visit visit) const {
        if (!spool_) {
            for (const PortWrite& write : memory_) visit(write);
            return;
        }
        std::rewind(spool_.get());
        PortWrite write{};
        for (std::size_t i = 0; i < count_ && std::fread(&write, sizeof write, 1, spool_.get()) == 1; ++i) visit(write);
        std::fseek(spool_.get(), 0, SEEK_END);
    }

private:
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, Closer> spool_;
    std::vector<PortWrite> memory_;
    std::size_t count_ = 0;
};

}  // namespace quillet::run
