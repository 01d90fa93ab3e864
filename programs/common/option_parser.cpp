#include "option_parser.hpp"

#include <cstring>
#include <string>
#include <vector>

#include "console.hpp"

namespace quillet::common {
namespace {

constexpr char JOINED_VALUE = '=';

class Walk {
public:
    Walk(const char* program, const char* place, const OptionSpec* options, std::size_t count, int argument_count,
         char** words, OptionReceiver* receiver)
        : program_(program), place_(place), options_(options), count_(count), argument_count_(argument_count),
          words_(words), receiver_(receiver), used_(count, false) {}

    CommandLineEnd run();

private:
    CommandLineEnd error(const char* message, const char* detail) {
        print_usage_error(program_, message, detail, place_);
        return CommandLineEnd::usage_error;
    }
    const OptionSpec* find_long(const char* name, std::size_t length) const;
    const OptionSpec* find_short(char letter) const;
    CommandLineEnd long_option(const char* word);
    CommandLineEnd short_options(const char* word);
    CommandLineEnd take(const OptionSpec& entry, const char* name, const char* word, const char* joined);

    const char* program_;
    const char* place_;
    const OptionSpec* options_;
    std::size_t count_;
    int argument_count_;
    char** words_;
    OptionReceiver* receiver_;
    std::vector<bool> used_;
    int index_ = 1;  // the word being read
};

// The option whose long name is `name` (of `length` characters), else the
// only one whose long name begins with it; null when none or several do.
const OptionSpec* Walk::find_long(const char* name, std::size_t length) const {
    const OptionSpec* prefix_of = nullptr;
    int prefixes = 0;
    for (std::size_t i = 0; i < count_; ++i) {
        const char* candidate = options_[i].long_name;
        if (!candidate || std::strncmp(candidate, name, length) != 0) continue;
        if (candidate[length] == '\0') return &options_[i];
        prefix_of = &options_[i];
        ++prefixes;
    }
    return prefixes == 1 ? prefix_of : nullptr;
}

const OptionSpec* Walk::find_short(char letter) const {
    for (std::size_t i = 0; i < count_; ++i) {
        const char* name = options_[i].short_name;
        if (name && name[1] == letter) return &options_[i];
    }
    return nullptr;
}

CommandLineEnd Walk::run() {
    bool options_ended = false;
    for (; index_ < argument_count_; ++index_) {
        const char* word = words_[index_];
        if (options_ended || word[0] != '-' || word[1] == '\0') {
            receiver_->operand(word);
            continue;
        }
        if (std::strcmp(word, "--") == 0) {
            options_ended = true;
            continue;
        }
        const CommandLineEnd end = word[1] == '-' ? long_option(word) : short_options(word);
        if (end != CommandLineEnd::done) return end;
    }
    return CommandLineEnd::done;
}

CommandLineEnd Walk::long_option(const char* word) {
    const char* equals = std::strchr(word, JOINED_VALUE);
    const std::size_t length = equals ? static_cast<std::size_t>(equals - word) : std::strlen(word);
    const OptionSpec* entry = find_long(word, length);
    if (!entry) return error("unknown option", word);
    if (equals && entry->values == 0) return error("option takes no value", word);
    return take(*entry, entry->long_name, word, equals ? equals + 1 : nullptr);
}

// "-jx DIR": each letter an option, until one that takes a value takes the
// rest of the word.
CommandLineEnd Walk::short_options(const char* word) {
    for (const char* letter = word + 1; *letter; ++letter) {
        const OptionSpec* entry = find_short(*letter);
        if (!entry) {
            const char unknown[] = {'-', *letter, '\0'};
            return error("unknown option", unknown);
        }
        if (entry->values > 0) {
            const char* joined = letter[1] ? letter + 1 : nullptr;
            if (joined && *joined == JOINED_VALUE) return error("short option value starts with '='", word);
            return take(*entry, entry->short_name, word, joined);
        }
        const CommandLineEnd end = take(*entry, entry->short_name, word, nullptr);
        if (end != CommandLineEnd::done) return end;
    }
    return CommandLineEnd::done;
}

CommandLineEnd Walk::take(const OptionSpec& entry, const char* name, const char* word, const char* joined) {
    const char* values[2] = {joined, nullptr};
    for (int v = joined ? 1 : 0; v < entry.values; ++v) {
        if (index_ + 1 >= argument_count_) return error("missing value for", word);
        values[v] = words_[++index_];
    }
    const std::size_t row = static_cast<std::size_t>(&entry - options_);
    if (entry.once && used_[row]) return error((std::string("second ") + name).c_str(), values[0] ? values[0] : name);
    used_[row] = true;
    switch (receiver_->option(OptionUse{&entry, name, values[0], values[1]})) {
    case OptionStep::go_on: return CommandLineEnd::done;
    case OptionStep::stop: return CommandLineEnd::stopped;
    case OptionStep::usage_error: break;
    }
    return CommandLineEnd::usage_error;
}

}  // namespace

CommandLineEnd parse_command_line(const char* program, const OptionSpec* options, std::size_t option_count,
                                  int argument_count, char** argument_vector, OptionReceiver* receiver,
                                  const char* place) {
    return Walk(program, place, options, option_count, argument_count, argument_vector, receiver).run();
}

}  // namespace quillet::common
