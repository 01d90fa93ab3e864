// The GNU-style command line that quillet-info, quillet-run and later
// programs share: each program gives a table of its options and a receiver
// for what the walk over the words finds; the walk applies one set of rules
// and reports their usage errors itself, with one set of messages.
//
// The rules:
//   - A word that does not start with "-", and "-" alone (standard input),
//     is an operand. Options and operands may be mixed; "--" ends the
//     options, and every word after it is an operand.
//   - "--name" is a long option; an unambiguous prefix of a long name names
//     it too ("--mem" for "--memory"), and an exact name wins over the
//     longer names it begins. Its first value is joined ("--name=VALUE") or
//     the next word; a second value (--rom-at ADDR FILE) is always the next
//     word. A value may be empty ("--name=") and may start with "-".
//   - "-x" is a short option; several may share one word ("-jx DIR"). A
//     short option's value is the rest of its word ("-oFILE") or the next
//     word; a joined value that starts with "=" ("-o=FILE") is refused,
//     since nobody means a file called "=FILE".
//   - An option marked `once` given a second time is refused; the others
//     may be repeated, each use reaching the receiver.
//
// The usage errors, each "PROGRAM: MESSAGE 'DETAIL'" and the pointer to
// --help on standard error (console.hpp):
//   unknown option '--bogus'           also an ambiguous prefix, and "-q" for
//                                      an unknown letter inside "-jq"
//   option takes no value '--json=1'
//   missing value for '--until'        the word of the option, as typed
//   short option value starts with '=' '-o=out.zvk'
//   second --call '2'                  the value given the second time (the
//                                      option's name when it takes none)
#pragma once

#include <cstddef>

namespace quillet::common {

// One option of a program.
struct OptionSpec {
    const char* long_name;  // "--output", or null when it has none
    const char* short_name; // "-o", or null when it has none
    int values;             // the words of value it takes: 0, 1 or 2
    bool once;              // a second use is a usage error
    int id;                 // the program's own key for it
};

// One use of an option, as the receiver gets it.
struct OptionUse {
    const OptionSpec* entry;
    const char* name;    // how messages name this use: its long or short name
    const char* value;   // the first value, or null when it takes none
    const char* second;  // the second value, or null
};

// What the receiver says about an option it got.
enum class OptionStep {
    go_on,        // taken: the walk goes on
    stop,         // the walk ends here, successfully (--help, --version)
    usage_error,  // refused; the receiver has reported why
};

// What a program does with the words the walk finds, in command-line order.
class OptionReceiver {
public:
    virtual OptionStep option(const OptionUse& use) = 0;
    virtual void operand(const char* word) = 0;

protected:
    ~OptionReceiver() = default;
};

enum class CommandLineEnd {
    done,         // every word was taken
    stopped,      // the receiver stopped the walk
    usage_error,  // reported on standard error
};

// Walks the words 1 to `argument_count` - 1 of `argument_vector` with the
// rules above, against the `option_count` options of `options`; `program`
// names the program in the messages, and `place`, when given, where the
// words came from ("cases.txt:4", see print_usage_error).
CommandLineEnd parse_command_line(const char* program, const OptionSpec* options, std::size_t option_count,
                                  int argument_count, char** argument_vector, OptionReceiver* receiver,
                                  const char* place = nullptr);

template <std::size_t N>
CommandLineEnd parse_command_line(const char* program, const OptionSpec (&options)[N], int argument_count,
                                  char** argument_vector, OptionReceiver* receiver, const char* place = nullptr) {
    return parse_command_line(program, options, N, argument_count, argument_vector, receiver, place);
}

}  // namespace quillet::common
