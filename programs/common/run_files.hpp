// The files one run of a program reads and writes, checked before anything
// is read or written, so that no output destroys what the run reads:
// - an output that is no snapshot (a memory image, an extracted piece, a
//   trace, a picture, ...) never replaces an input file;
// - no two outputs name one file.
// A snapshot output may replace the snapshot it came from (it is written
// whole or not at all, from what was read). Files are compared as the
// system knows them (quillet_same_file), not by spelling: "./game.zvk" and
// a hard link are game.zvk. Each program lists its files in one function,
// where a new output kind is added.
#pragma once

#include <string>
#include <vector>

namespace quillet::common {

// A file with what the messages call it: "FILE", "SNAPSHOT", "--rom-at",
// "-m", "--trace".
struct RunFile {
    std::string role;
    std::string path;
};

class RunFiles {
public:
    // A file the run reads; "-" (standard input) is none.
    void input(const char* role, const char* path);
    // A file the run writes, which must not replace any input.
    void output(const char* role, const char* path);
    // A snapshot the run writes, which may replace an input.
    void snapshot_output(const char* role, const char* path);

    // Prints a program's usage error: "PROGRAM: MESSAGE 'DETAIL'" and the
    // pointer to --help.
    using UsageError = void (*)(const char* message, const char* detail);

    // True when the files may be read and written; false after
    // `usage_error` was given the one that would replace another, naming
    // both.
    bool check(UsageError usage_error) const;

    // The same without printing: true and the message and its detail when
    // an output would replace another file.
    bool find_problem(std::string* message, std::string* detail) const;

private:
    struct Output {
        RunFile file;
        bool snapshot;
    };
    std::vector<RunFile> inputs_;
    std::vector<Output> outputs_;
};

}  // namespace quillet::common
