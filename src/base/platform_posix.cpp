// POSIX implementation of the platform layer.
#include <cerrno>
#include <climits>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include "base/platform.hpp"
#include "base/temporary_name.hpp"

namespace quillet::platform {
namespace {

constexpr int MAX_LINK_HOPS = 40;
constexpr mode_t NEW_FILE_MODE = 0666;
constexpr mode_t PERMISSION_BITS = 07777;
constexpr int TEMPORARY_NAME_TRIES = 64;
constexpr int MAX_RANGES = 32;  // more than any caller passes (a header, a ROM image, 16 blocks)

int descriptor(FileHandle file) { return static_cast<int>(file); }

std::string directory_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// The file a path finally names, following symbolic links (also dangling
// ones, so that writing creates the file the link points to).
std::string follow_links(const char* path) {
    std::string target = path;
    char link[PATH_MAX];
    for (int hop = 0; hop < MAX_LINK_HOPS; ++hop) {
        const ssize_t n = readlink(target.c_str(), link, sizeof link);
        if (n <= 0 || n >= static_cast<ssize_t>(sizeof link)) break;
        const std::string destination(link, static_cast<std::size_t>(n));
        target = destination[0] == '/' ? destination : directory_of(target) + "/" + destination;
    }
    return target;
}

// What makes temporary names differ from run to run: the address of a
// stack variable and the clock.
std::uint64_t name_entropy() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return reinterpret_cast<std::uintptr_t>(&now) ^ static_cast<std::uint64_t>(now.tv_nsec) ^
           (static_cast<std::uint64_t>(now.tv_sec) << 20);
}

// Gives the temporary file the mode of the file it replaces. WASI has no
// file modes: there is nothing to keep.
bool keep_mode(int fd, mode_t mode) {
#ifdef __wasi__
    (void)fd;
    (void)mode;
    return true;
#else
    return fchmod(fd, mode) == 0;
#endif
}

// Creates the temporary file beside the target. New files get the usual
// permissions (0666 less the umask, applied by the system); a replaced file
// keeps its own. Returns a descriptor or -1.
int create_temporary(Output* output, bool replacing, mode_t mode) {
    const std::string directory = directory_of(output->target);
    for (int attempt = 0; attempt < TEMPORARY_NAME_TRIES; ++attempt) {
        std::string name = temporary_name(directory + "/", name_entropy(), attempt);
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, NEW_FILE_MODE);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return -1;
        }
        output->temporary = std::move(name);
        if (replacing && !keep_mode(fd, mode)) {
            close(fd);
            unlink(output->temporary.c_str());
            output->temporary.clear();
            return -1;
        }
        return fd;
    }
    return -1;
}

// Steps over `done` bytes of an I/O vector after a partial transfer.
void advance(iovec*& next, int& remaining, std::size_t done) {
    while (remaining > 0 && done >= next->iov_len) {
        done -= next->iov_len;
        ++next;
        --remaining;
    }
    if (remaining > 0) {
        next->iov_base = static_cast<std::uint8_t*>(next->iov_base) + done;
        next->iov_len -= done;
    }
}

// The non-empty ranges as an I/O vector; returns their count.
template <typename Range>
int to_vector(const Range* ranges, int count, iovec* vectors) {
    int used = 0;
    for (int i = 0; i < count && used < MAX_RANGES; ++i) {
        if (ranges[i].length == 0) continue;
        vectors[used++] = iovec{const_cast<std::uint8_t*>(ranges[i].data), ranges[i].length};
    }
    return used;
}

OpenOutputResult open_directly(const char* path, Output* output) {
    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, NEW_FILE_MODE);
    if (fd < 0) return OpenOutputResult::CANNOT_CREATE;
    output->file = fd;
    return OpenOutputResult::OPENED;
}

}  // namespace

FileHandle open_for_reading(const char* path) {
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    return fd < 0 ? NO_FILE : fd;
}

EntryKind examine_entry(const char* path) {
    struct stat status;
    if (lstat(path, &status) != 0) return EntryKind::NOTHING;
    return S_ISREG(status.st_mode) ? EntryKind::REGULAR_FILE : EntryKind::OTHER;
}

FileIdentity identify_file(const char* path) {
    FileIdentity identity;
    struct stat status;
    if (stat(path, &status) == 0) {
        identity.kind = S_ISREG(status.st_mode) ? FileIdentity::Kind::REGULAR : FileIdentity::Kind::OTHER;
        identity.volume = static_cast<std::uint64_t>(status.st_dev);
        identity.file = static_cast<std::uint64_t>(status.st_ino);
        return identity;
    }
    if (errno != ENOENT) return identity;
    // Where a new file would be made: the target of a dangling link too.
    const std::string target = follow_links(path);
    const std::size_t slash = target.rfind('/');
    identity.name = slash == std::string::npos ? target : target.substr(slash + 1);
    if (identity.name.empty() || stat(directory_of(target).c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        return FileIdentity{};
    }
    identity.kind = FileIdentity::Kind::ABSENT;
    identity.volume = static_cast<std::uint64_t>(status.st_dev);
    identity.file = static_cast<std::uint64_t>(status.st_ino);
    return identity;
}

bool same_file(const FileIdentity& a, const FileIdentity& b) {
    if (a.kind == FileIdentity::Kind::UNKNOWN || a.kind != b.kind) return false;
    return a.volume == b.volume && a.file == b.file && a.name == b.name;
}

std::string comparable_name(const std::string& name) { return name; }

FileHandle wait_for_writer(FileHandle file) {
    // A named pipe opened without O_NONBLOCK would wait for a writer that
    // opens it after that open, and so for ever for one that came, wrote
    // and went in between. The handle opened before stays: poll() waits
    // until a writer has written to it or has come and gone (and answers
    // at once for a pipe that has one, as `<(command)` gives); then the
    // reads wait for the rest.
    pollfd ready{descriptor(file), POLLIN, 0};
    int n = -1;
    do {
        n = poll(&ready, 1, -1);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        close(descriptor(file));
        return NO_FILE;
    }
    wait_for_data(file);
    return file;
}

void wait_for_data(FileHandle file) {
    const int flags = fcntl(descriptor(file), F_GETFL);
    if (flags >= 0 && (flags & O_NONBLOCK)) fcntl(descriptor(file), F_SETFL, flags & ~O_NONBLOCK);
}

std::int64_t read_ranges(FileHandle file, const ByteRange* ranges, int count) {
    iovec vectors[MAX_RANGES];
    int remaining = to_vector(ranges, count, vectors);
    std::int64_t total = 0;
    iovec* next = vectors;
    while (remaining > 0) {
        const ssize_t n = readv(descriptor(file), next, remaining);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        total += n;
        advance(next, remaining, static_cast<std::size_t>(n));
    }
    return total;
}

void close_file(FileHandle file) {
    if (file != NO_FILE) close(descriptor(file));
}

OpenOutputResult open_output(const char* path, Output* output) {
    output->file = NO_FILE;
    output->temporary.clear();
    if (*path == '\0') return OpenOutputResult::CANNOT_CREATE;
    output->target = follow_links(path);

    // What the name leads to, asked of the kernel: it also follows the links
    // of /proc (/dev/stdout on a pipe) whose targets are no path names.
    struct stat status;
    const bool exists = stat(path, &status) == 0;
    // A name the system refuses (too long, say) is refused before anything
    // is written; a name that merely does not exist yet is created.
    if (!exists && errno != ENOENT) return OpenOutputResult::CANNOT_CREATE;
    if (exists && !S_ISREG(status.st_mode)) return open_directly(path, output);
    // An existing file that may not be written stays as it is.
    if (exists && access(output->target.c_str(), W_OK) != 0) return OpenOutputResult::CANNOT_CREATE;

    const int fd = create_temporary(output, exists, status.st_mode & PERMISSION_BITS);
    // A directory that only lets its existing file be rewritten in place is
    // refused too: rewritten in place, a failure would leave half a file.
    if (fd < 0) return OpenOutputResult::CANNOT_CREATE;
    output->file = fd;
    return OpenOutputResult::OPENED;
}

int write_ranges(Output* output, const ConstByteRange* ranges, int count) {
    iovec vectors[MAX_RANGES];
    int remaining = to_vector(ranges, count, vectors);
    iovec* next = vectors;
    while (remaining > 0) {
        const ssize_t n = writev(descriptor(output->file), next, remaining);
        if (n <= 0) {
            if (n == 0) return -1;
            if (errno == EINTR) continue;
            return -1;
        }
        advance(next, remaining, static_cast<std::size_t>(n));
    }
    return 0;
}

int write_at(Output* output, std::uint64_t offset, const std::uint8_t* data, std::size_t length) {
    while (length > 0) {
        const ssize_t n = pwrite(descriptor(output->file), data, length, static_cast<off_t>(offset));
        if (n <= 0) {
            if (n < 0 && errno == EINTR) continue;
            return -1;
        }
        data += n;
        length -= static_cast<std::size_t>(n);
        offset += static_cast<std::uint64_t>(n);
    }
    return 0;
}

bool close_output_file(FileHandle file) { return close(descriptor(file)) == 0; }

bool replace_file(const std::string& from, const std::string& to) {
    return rename(from.c_str(), to.c_str()) == 0;
}

void remove_file(const std::string& path) { unlink(path.c_str()); }

void remove_empty_directory(const char* path) { rmdir(path); }

bool make_directory(const char* path) {
    if (mkdir(path, 0777) == 0) return true;
    struct stat status;
    return errno == EEXIST && stat(path, &status) == 0 && S_ISDIR(status.st_mode);
}

}  // namespace quillet::platform
