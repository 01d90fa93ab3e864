// The files one run of a program reads and writes, checked before anything
// is read or written, so that no output destroys what the run reads:
// - an output never replaces an input file, but for a snapshot written
//   over the snapshot it came from (written whole or not at all, from what
//   was read);
// - no two outputs name one file, but for one that every run adds to.
// Files are compared as the system knows them (quillet_file_key): not by
// spelling, "./game.zvk" and a hard link are game.zvk; many files are
// matched in one pass. Each program lists its files in one function, where
// a new output kind is added.
#pragma once

#include <string>
#include <vector>

namespace quillet::common {

// A file with what the messages call it: "FILE", "SNAPSHOT", "--rom-at",
// "-m", "--trace", and where it was named ("cases.txt:4", or "").
struct RunFile {
    std::string role;
    std::string path;
    std::string place;
    std::string key;  // quillet_file_key's, "" for none

    // "--trace", or "cases.txt:4 --trace".
    std::string named() const { return place.empty() ? role : place + " " + role; }
};

class RunFiles {
public:
    // The files added from here on were named at `place` (a case of a list
    // of them: "cases.txt:4").
    void set_place(const std::string& place) { place_ = place; }

    // A file the run reads; "-" (standard input) is none.
    void input(const char* role, const char* path);
    // A file the run writes, which must not replace any input.
    void output(const char* role, const char* path);
    // A snapshot the run writes, which may replace the input called
    // `source_role` (the snapshot it comes from) and no other.
    void snapshot_output(const char* role, const char* path, const char* source_role);
    // An output that each run adds to (--coverage): named again in the same
    // role, it is one output, not two.
    void shared_output(const char* role, const char* path);

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
    enum class Kind { plain, snapshot, shared };
    struct Output {
        RunFile file;
        Kind kind;
        std::string source_role;  // Kind::snapshot's
    };
    RunFile file(const char* role, const char* path) const;
    void add_output(const char* role, const char* path, Kind kind, const char* source_role);

    std::string place_;
    std::vector<RunFile> inputs_;
    std::vector<Output> outputs_;
};

}  // namespace quillet::common
