#include "write_log.hpp"

namespace quillet::run {

WriteLog::WriteLog() : spool_(std::tmpfile()) {}

void WriteLog::add(const PortWrite& write) {
    // A write to the spool that fails (a full disk) keeps the rest in memory
    // rather than losing it.
    if (spool_ && memory_.empty() && std::fwrite(&write, sizeof write, 1, spool_.get()) == 1) {
        ++count_;
        return;
    }
    if (spool_ && memory_.empty()) {
        // Move what the spool holds into memory, then go on there.
        std::vector<PortWrite> spooled;
        for_each([&spooled](const PortWrite& w) { spooled.push_back(w); });
        spool_.reset();
        memory_ = std::move(spooled);
    }
    memory_.push_back(write);
    ++count_;
}

}  // namespace quillet::run
