#include "base/file_access.hpp"

#include <cstring>
#include <memory>
#include <new>

namespace quillet {
namespace {

// One piece of an open file, for read_to_end().
long read_file_piece(void* user, std::uint8_t* data, std::size_t capacity) {
    const ByteRange range{data, capacity};
    const std::int64_t n = platform::read_ranges(*static_cast<const platform::FileHandle*>(user), &range, 1);
    return static_cast<long>(n);
}

// A pipe opened from `name` as `*file`, read to its end within
// `max_length` bytes. `*file` becomes NO_FILE when the pipe cannot be
// waited for.
long read_pipe(platform::FileHandle* file, const char* name, std::size_t max_length, ByteBuffer* content,
               const Reporter& reporter) {
    *file = platform::wait_for_writer(*file);
    if (*file == platform::NO_FILE) return report_failure(reporter, ERR_SOURCE_OPEN, name);
    return read_to_end(read_file_piece, file, max_length, content, name, reporter);
}

// Reads what `file` holds, up to `max_length` bytes, into `content`.
long read_whole(platform::FileHandle* opened, const char* name, std::size_t max_length, ByteBuffer* content,
                const Reporter& reporter) {
    const platform::FileHandle file = *opened;
    platform::FileStatus status{};
    if (platform::query_file_status(file, &status) != 0) {
        return report_failure(reporter, ERR_SOURCE_ACCESS, name);
    }
    if (status.pipe) return read_pipe(opened, name, max_length, content, reporter);
    // A regular file: its first max_length bytes at most; what a reader
    // needs ends there, and what follows is not its concern.
    std::size_t length = max_length;
    if (status.regular && status.size >= 0 && static_cast<std::uint64_t>(status.size) < max_length) {
        length = static_cast<std::size_t>(status.size);
    }
    if (!status.regular) platform::wait_for_data(file);
    if (const int result = content->allocate(length, reporter)) return result;
    const ByteRange range{content->data(), length};
    const std::int64_t n = platform::read_ranges(file, &range, 1);
    if (n < 0) return report_failure(reporter, ERR_SOURCE_READ, name);  // a directory, say
    content->truncate(static_cast<std::size_t>(n));
    return static_cast<long>(n);
}

}  // namespace

long read_to_end(ReadPiece read, void* user, std::size_t max_length, ByteBuffer* content, const char* name,
                 const Reporter& reporter) {
    // One byte beyond the limit tells a longer source from one that fits.
    if (const int result = content->allocate(max_length + 1, reporter)) return result;
    std::size_t total = 0;
    while (total <= max_length) {
        const long n = read(user, content->data() + total, max_length + 1 - total);
        if (n < 0) return report_failure(reporter, ERR_SOURCE_READ, name);
        if (n == 0) break;
        total += static_cast<std::size_t>(n);
    }
    if (total > max_length) return report_failure(reporter, ERR_SOURCE_TOO_LONG, name, static_cast<long>(max_length));
    content->truncate(total);
    return static_cast<long>(total);
}

int SourceFile::open(const char* path, const Reporter& reporter) {
    path_ = path;
    file_ = platform::open_for_reading(path);
    if (file_ == platform::NO_FILE) return report_failure(reporter, ERR_SOURCE_OPEN, path);
    return 0;
}

int SourceFile::measure(int max_length, const Reporter& reporter) {
    platform::FileStatus status{};
    if (platform::query_file_status(file_, &status) != 0) {
        return report_failure(reporter, ERR_SOURCE_ACCESS, path_);
    }
    if (status.pipe) {
        const long n = read_pipe(&file_, path_, static_cast<std::size_t>(max_length), &piped_, reporter);
        if (n < 0) return static_cast<int>(n);
        pipe_ = true;
        size_ = n;
        return static_cast<int>(n);
    }
    if (!status.regular) return report_failure(reporter, ERR_SOURCE_READ, path_);
    if (status.size < 0) return report_failure(reporter, ERR_SOURCE_LENGTH, path_);
    if (status.size > max_length) return report_failure(reporter, ERR_SOURCE_TOO_LONG, path_, max_length);
    size_ = status.size;
    return static_cast<int>(size_);
}

int SourceFile::read(const ByteRange* ranges, int count, const Reporter& reporter) {
    if (size_ == 0) return 0;
    if (pipe_) {
        const std::uint8_t* from = piped_.data();
        for (int i = 0; i < count; ++i) {
            std::memcpy(ranges[i].data, from, ranges[i].length);
            from += ranges[i].length;
        }
        return 0;
    }
    if (platform::read_ranges(file_, ranges, count) != size_) {
        return report_failure(reporter, ERR_SOURCE_READ, path_);
    }
    return 0;
}

int read_input_file(const char* path, std::uint8_t* buffer, int max_length, const Reporter& reporter) {
    SourceFile source;
    if (const int result = source.open(path, reporter)) return result;
    const int size = source.measure(max_length, reporter);
    if (size < 0) return size;
    const ByteRange range{buffer, static_cast<std::size_t>(size)};
    if (const int result = source.read(&range, 1, reporter)) return result;
    return size;
}

long load_file(const char* path, int max_length, PlaceBytes place, void* user, const Reporter& reporter) {
    SourceFile source;
    if (const int result = source.open(path, reporter)) return result;
    const int size = source.measure(max_length, reporter);
    if (size < 0) return size;
    std::uint8_t* room = place(user, static_cast<std::size_t>(size));
    if (!room) return report_failure(reporter, ERR_OUT_OF_MEMORY);
    const ByteRange range{room, static_cast<std::size_t>(size)};
    if (const int result = source.read(&range, 1, reporter)) return result;
    return size;
}

long read_whole_file(const char* path, std::size_t max_length, ByteBuffer* content, const Reporter& reporter) {
    platform::FileHandle file = platform::open_for_reading(path);
    if (file == platform::NO_FILE) return report_failure(reporter, ERR_SOURCE_OPEN, path);
    const long result = read_whole(&file, path, max_length, content, reporter);
    platform::close_file(file);
    return result;
}

int write_file_whole(const char* path, const ConstByteRange* ranges, int count, const Reporter& reporter) {
    platform::Output output;
    if (platform::open_output(path, &output) != platform::OpenOutputResult::OPENED) {
        return report_failure(reporter, ERR_OUTPUT_OPEN, path);
    }
    if (platform::write_ranges(&output, ranges, count) != 0) {
        platform::discard_output(&output);
        return report_failure(reporter, ERR_OUTPUT_WRITE, path);
    }
    if (platform::commit_output(&output) != 0) return report_failure(reporter, ERR_OUTPUT_WRITE, path);
    return 0;
}

std::string path_in(const char* directory, const char* name) {
    std::string path = directory;
    if (!path.empty() && path.back() != '/' && path.back() != '\\') path += '/';
    return path + name;
}

int write_files_into(const char* directory, const NamedOutput* files, std::size_t count, const char* const* stale,
                     std::size_t stale_count, const Reporter& reporter) {
    std::unique_ptr<platform::Output[]> outputs(new (std::nothrow) platform::Output[count ? count : 1]);
    if (!outputs) return report_failure(reporter, ERR_OUT_OF_MEMORY);
    // A directory made here goes again when the set cannot be written.
    const bool made = platform::examine_entry(directory) == platform::EntryKind::NOTHING;
    const auto give_up = [&](int code, const std::string& path) {
        for (std::size_t i = 0; i < count; ++i) platform::discard_output(&outputs[i]);
        if (made) platform::remove_empty_directory(directory);
        return report_failure(reporter, code, path.c_str());
    };
    platform::make_directory(directory);  // when it cannot be made, opening the first file says so
    // Each file is written and closed before the next is opened, so that a
    // set of any size holds one file open at a time.
    for (std::size_t i = 0; i < count; ++i) {
        const std::string path = path_in(directory, files[i].name);
        if (platform::open_output(path.c_str(), &outputs[i]) != platform::OpenOutputResult::OPENED) {
            return give_up(ERR_OUTPUT_OPEN, path);
        }
        if (platform::write_ranges(&outputs[i], &files[i].data, 1) != 0 || platform::close_output(&outputs[i]) != 0) {
            return give_up(ERR_OUTPUT_WRITE, path);
        }
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (platform::place_output(&outputs[i]) != 0) return give_up(ERR_OUTPUT_WRITE, path_in(directory, files[i].name));
    }
    for (std::size_t i = 0; i < stale_count; ++i) {
        const std::string path = path_in(directory, stale[i]);
        if (platform::examine_entry(path.c_str()) == platform::EntryKind::REGULAR_FILE) platform::remove_file(path);
    }
    return 0;
}

std::int64_t regular_file_size(const char* path) {
    const platform::FileHandle file = platform::open_for_reading(path);
    if (file == platform::NO_FILE) return -1;
    platform::FileStatus status{};
    const bool known = platform::query_file_status(file, &status) == 0 && status.regular;
    platform::close_file(file);
    return known ? status.size : -1;
}

std::string file_key(const char* path) {
    using Kind = platform::FileIdentity::Kind;
    const platform::FileIdentity identity = platform::identify_file(path);
    if (identity.kind != Kind::REGULAR && identity.kind != Kind::ABSENT) return {};
    return std::string(identity.kind == Kind::REGULAR ? "file " : "new ") + std::to_string(identity.volume) + ":" +
           std::to_string(identity.file) + "/" + platform::comparable_name(identity.name);
}

}  // namespace quillet
