// The few system calls that differ between operating systems: opening,
// examining and reading input files, and the atomic replacement of an
// output file. platform_posix.cpp implements them for POSIX systems,
// platform_windows.cpp for Windows, where paths (UTF-8 here as everywhere
// in the library) are converted to UTF-16 for the wide system calls.
//
// These functions report nothing; file_access turns their results into
// failure codes and messages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quillet::platform {

// An open file: a descriptor or a handle, depending on the system.
using FileHandle = std::intptr_t;
constexpr FileHandle NO_FILE = -1;

struct ByteRange {
    std::uint8_t* data;
    std::size_t length;
};

struct ConstByteRange {
    const std::uint8_t* data;
    std::size_t length;
};

// Opens `path` for reading without waiting for a writer when it names a
// named pipe. NO_FILE on failure.
FileHandle open_for_reading(const char* path);

// What a file is: a regular file with its size, a pipe (an anonymous one
// or a named one, a FIFO), or something else (a directory, a device).
struct FileStatus {
    bool regular;
    bool pipe;
    std::int64_t size;  // meaningful for a regular file; negative when unknown
};

// Examines an open file. Returns 0, or -1 when the system cannot tell.
// Kept in a translation unit of its own (file_status_*.cpp) so that a test
// binary can replace it with one that fails on demand.
int query_file_status(FileHandle file, FileStatus* status);

// What stands at a path; a last symbolic link is not followed.
enum class EntryKind {
    NOTHING,  // nothing there, or nothing that could be examined
    REGULAR_FILE,
    OTHER,  // a directory, a symbolic link, a device, a pipe
};
EntryKind examine_entry(const char* path);

// Which file a path names, whatever its spelling ("./x", "dir/../x", a
// hard link, a symbolic link followed): for an existing file the system's
// identity of it (device and inode; on Windows the volume's serial number
// and the file ID); where nothing stands yet, the directory's identity and
// the name a new file would get there.
struct FileIdentity {
    enum class Kind {
        UNKNOWN,  // cannot be examined (no such directory, no permission)
        REGULAR,  // an existing regular file
        OTHER,    // an existing directory, device or pipe
        ABSENT,   // nothing there yet: `volume` and `file` are its directory's
    };
    Kind kind = Kind::UNKNOWN;
    std::uint64_t volume = 0;
    std::uint64_t file = 0;
    std::string name;  // ABSENT: the last part of the path
};
FileIdentity identify_file(const char* path);

// Whether two identities are one file (the same name in one directory for
// ABSENT ones; on Windows regardless of letter case). UNKNOWN is no file.
bool same_file(const FileIdentity& a, const FileIdentity& b);

// `name` as same_file() compares names: as it is, or on Windows in capitals.
std::string comparable_name(const std::string& name);

// Makes reads of an opened non-regular file (a device) wait for data.
void wait_for_data(FileHandle file);

// A pipe opened by open_for_reading() as `file`, made ready to be read to
// its end: reads wait for data, and a named pipe that no writer has opened
// yet waits for its first writer (as `cat` does), so that a slow writer is
// not taken for an empty pipe, nor a quick one that wrote and closed
// before this call missed. Returns `file`, or NO_FILE (with `file` closed)
// when the wait fails.
FileHandle wait_for_writer(FileHandle file);

// Reads into `ranges` in order until they are full or the file ends.
// Returns the number of bytes read, or -1 on a read error.
std::int64_t read_ranges(FileHandle file, const ByteRange* ranges, int count);

// Closes a file opened by open_for_reading().
void close_file(FileHandle file);

// An output file being written: either a temporary file beside the target,
// renamed over it at the end, or (for a device or a pipe) the target itself.
struct Output {
    FileHandle file = NO_FILE;
    std::string target;     // the file to replace, links followed
    std::string temporary;  // empty when writing directly
};

enum class OpenOutputResult { OPENED, CANNOT_CREATE };

// Opens `path` for writing. An existing regular file (or one that does not
// exist yet) is written as a new temporary file in its directory, with the
// permission bits the target has (or a new file would get); a symbolic link
// is followed and the file it points to replaced. An existing file that
// may not be written is refused. Anything else that exists is written
// directly. Nothing is left open or behind on failure.
OpenOutputResult open_output(const char* path, Output* output);

// Writes all of `ranges` in order. Returns 0 or -1.
int write_ranges(Output* output, const ConstByteRange* ranges, int count);

// Writes `length` bytes of `data` over the output's bytes from `offset`
// on (bytes written already), and goes on appending after the last byte
// as before. Only for a temporary file (a direct output cannot go back).
// Returns 0 or -1.
int write_at(Output* output, std::uint64_t offset, const std::uint8_t* data, std::size_t length);

// Closes the output and puts it in place of the target. Returns 0 or -1;
// on failure the temporary file is removed and the target is as it was.
int commit_output(Output* output);

// Closes the output after a failure and removes the temporary file (also
// one that close_output() closed).
void discard_output(Output* output);

// commit_output() in two steps, so that many files are written and closed
// one by one and then put in place together: close_output() closes the
// file (0, or -1 when its data did not reach the disk: then it is
// discarded); place_output() puts the closed file in place of its target
// (0, or -1: then the temporary file is removed).
int close_output(Output* output);
int place_output(Output* output);

// The system calls behind commit_output() and discard_output(), which
// platform_output.cpp shares: closing an output file (true when it closed
// cleanly), putting the file `from` in place of `to` (true on success) and
// removing a file.
bool close_output_file(FileHandle file);
bool replace_file(const std::string& from, const std::string& to);
void remove_file(const std::string& path);

// Creates the directory `path` (its parent must exist). True when it was
// created or a directory stands there already.
bool make_directory(const char* path);

// Removes the directory `path` when it is empty.
void remove_empty_directory(const char* path);

}  // namespace quillet::platform
