// Helpers for the driver tests: running the option parser on a list of
// arguments and capturing what goes to standard error.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/options.hpp"
#include "image/build_context.hpp"

namespace quillet {

// Everything `action` writes to standard error.
template <typename Action>
std::string stderr_of(Action&& action) {
    testing::internal::CaptureStderr();
    action();
    return testing::internal::GetCapturedStderr();
}

// One call of parse_command_line on "quillet" followed by `arguments`.
// Owns the argument texts (the context points into them) and releases the
// context. Neither copyable nor movable: the argument vector points into it.
class ParseRun {
public:
    explicit ParseRun(const std::vector<const char*>& arguments) : texts_{"quillet"} {
        for (const char* argument : arguments) texts_.emplace_back(argument);
        for (std::string& text : texts_) argv_.push_back(text.data());
        argv_.push_back(nullptr);
        const int count = static_cast<int>(texts_.size());
        errors_ = stderr_of([&] { result_ = parse_command_line(count, argv_.data(), &context_); });
    }
    ~ParseRun() { release_context(context_); }
    ParseRun(const ParseRun&) = delete;
    ParseRun& operator=(const ParseRun&) = delete;

    int result() const { return result_; }
    const std::string& errors() const { return errors_; }
    const BuildContext& context() const { return *context_; }
    bool has_context() const { return context_ != nullptr; }
    // The argument at `index` of the vector (0 is the program name).
    const char* argument(int index) const { return argv_[static_cast<std::size_t>(index)]; }

    // The queued requests, head first.
    std::vector<const LoadRequest*> requests() const {
        std::vector<const LoadRequest*> list;
        for (const LoadRequest* r = context_->load_head; r; r = r->next) list.push_back(r);
        return list;
    }

private:
    std::vector<std::string> texts_;
    std::vector<char*> argv_;
    BuildContext* context_ = nullptr;
    int result_ = 0;
    std::string errors_;
};

}  // namespace quillet
