#include "image/file_access.hpp"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "driver/failure.hpp"
#include "image/stream_calls.hpp"

namespace quillet {
namespace {

constexpr int MAX_LINK_HOPS = 40;
constexpr mode_t NEW_FILE_MODE = 0666;
constexpr mode_t PERMISSION_BITS = 07777;
constexpr const char* TEMP_NAME_PATTERN = ".quillet-XXXXXX";

// Every piece is read or written with one call straight from or into the
// caller's buffer; a stream buffer would only split it.
std::FILE* unbuffered(std::FILE* stream) {
    if (stream) std::setvbuf(stream, nullptr, _IONBF, 0);
    return stream;
}

bool is_regular(std::FILE* stream) {
    struct stat status;
    return fstat(fileno(stream), &status) == 0 && S_ISREG(status.st_mode);
}

// Reads an open source file whole; the steps after opening it.
int read_open_file(std::FILE* stream, const char* path, std::uint8_t* buffer, int max_length) {
    if (!is_regular(stream)) return report_failure(ERR_SOURCE_READ, path);
    if (seek_stream(stream, 0, SEEK_END) != 0) return report_failure(ERR_SOURCE_ACCESS, path);
    const long size = tell_stream(stream);
    if (size < 0) return report_failure(ERR_SOURCE_LENGTH, path);
    if (size > max_length) return report_failure(ERR_SOURCE_TOO_LONG, path, max_length);
    if (seek_stream(stream, 0, SEEK_SET) != 0) return report_failure(ERR_SOURCE_ACCESS, path);
    const std::size_t n = static_cast<std::size_t>(size);
    if (n > 0 && std::fread(buffer, 1, n, stream) != n) return report_failure(ERR_SOURCE_READ, path);
    return static_cast<int>(size);
}

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

mode_t new_file_mode() {
    const mode_t mask = umask(0);
    umask(mask);
    return NEW_FILE_MODE & ~mask;
}

// Opens a non-regular output (a device, a pipe) directly, as a plain
// truncating write.
int open_direct(OutputFile* file) {
    file->stream = unbuffered(std::fopen(file->path, "wb"));
    if (!file->stream) return report_failure(ERR_OUTPUT_OPEN, file->path);
    // A pipe cannot seek; that is no reason to refuse writing into it.
    if (seek_stream(file->stream, 0, SEEK_SET) != 0 && errno != ESPIPE) {
        abandon_output_file(file);
        return report_failure(ERR_OUTPUT_ACCESS, file->path);
    }
    return 0;
}

// Creates the temporary file beside the target, with the permission bits
// the target has (or a new file would get). Returns a descriptor or -1.
int create_temp_file(OutputFile* file, mode_t mode) {
    std::string name = directory_of(file->target_path) + "/" + TEMP_NAME_PATTERN;
    const int fd = mkstemp(&name[0]);
    if (fd < 0) return -1;
    file->temp_path = name;
    if (fchmod(fd, mode) != 0) {
        close(fd);
        unlink(file->temp_path.c_str());
        file->temp_path.clear();
        return -1;
    }
    return fd;
}

}  // namespace

std::FILE* open_source_file(const char* path) {
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    const int flags = fcntl(fd, F_GETFL);
    std::FILE* stream = nullptr;
    if (flags >= 0 && fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0) stream = unbuffered(fdopen(fd, "rb"));
    if (!stream) close(fd);
    return stream;
}

int read_input_file(const char* path, std::uint8_t* buffer, int max_length) {
    std::FILE* stream = open_source_file(path);
    if (!stream) return report_failure(ERR_SOURCE_OPEN, path);
    const int result = read_open_file(stream, path, buffer, max_length);
    std::fclose(stream);
    return result;
}

int open_output_file(OutputFile* file, const char* path) {
    file->path = path;
    file->stream = nullptr;
    file->temp_path.clear();
    if (*path == '\0') return report_failure(ERR_OUTPUT_OPEN, path);
    file->target_path = follow_links(path);

    // What the name leads to, asked of the kernel: it also follows the links
    // of /proc (/dev/stdout on a pipe) whose targets are no path names.
    struct stat status;
    const bool exists = stat(path, &status) == 0;
    if (exists && !S_ISREG(status.st_mode)) return open_direct(file);
    // An existing file that may not be written stays as it is.
    if (exists && access(file->target_path.c_str(), W_OK) != 0) {
        return report_failure(ERR_OUTPUT_OPEN, path);
    }

    const mode_t mode = exists ? (status.st_mode & PERMISSION_BITS) : new_file_mode();
    const int fd = create_temp_file(file, mode);
    if (fd < 0) {
        // A directory that only lets its existing file be rewritten in place.
        if (exists) return open_direct(file);
        return report_failure(ERR_OUTPUT_OPEN, path);
    }
    file->stream = unbuffered(fdopen(fd, "wb"));
    if (!file->stream) {
        close(fd);
        abandon_output_file(file);
        return report_failure(ERR_OUTPUT_OPEN, path);
    }
    if (seek_stream(file->stream, 0, SEEK_SET) != 0) {
        abandon_output_file(file);
        return report_failure(ERR_OUTPUT_ACCESS, path);
    }
    return 0;
}

int write_output_file(OutputFile* file, const std::uint8_t* data, int length) {
    if (length <= 0) return 0;
    const std::size_t n = static_cast<std::size_t>(length);
    if (std::fwrite(data, 1, n, file->stream) != n) return report_failure(ERR_OUTPUT_WRITE, file->path);
    return 0;
}

int finish_output_file(OutputFile* file) {
    std::FILE* stream = file->stream;
    file->stream = nullptr;
    const bool flushed = std::fflush(stream) == 0 && !std::ferror(stream);
    const bool closed = std::fclose(stream) == 0;
    bool placed = flushed && closed;
    if (placed && !file->temp_path.empty()) {
        placed = std::rename(file->temp_path.c_str(), file->target_path.c_str()) == 0;
        if (placed) file->temp_path.clear();
    }
    if (!placed) {
        abandon_output_file(file);
        return report_failure(ERR_OUTPUT_WRITE, file->path);
    }
    return 0;
}

void abandon_output_file(OutputFile* file) {
    if (file->stream) {
        std::fclose(file->stream);
        file->stream = nullptr;
    }
    if (!file->temp_path.empty()) {
        unlink(file->temp_path.c_str());
        file->temp_path.clear();
    }
}

}  // namespace quillet
