#include "base/file_access.hpp"

namespace quillet {
namespace {

// Reads what `file` holds, up to `max_length` bytes, into `content`.
long read_start(platform::FileHandle file, const char* name, std::size_t max_length, ByteBuffer* content,
                const Reporter& reporter) {
    platform::FileStatus status{};
    if (platform::query_file_status(file, &status) != 0) {
        return report_failure(reporter, ERR_SOURCE_ACCESS, name);
    }
    std::size_t length = max_length;
    if (status.regular && status.size >= 0 && static_cast<std::uint64_t>(status.size) < max_length) {
        length = static_cast<std::size_t>(status.size);
    }
    if (!status.regular) platform::wait_for_data(file);
    if (const int result = content->allocate(length, reporter)) return result;
    const ByteRange range{content->data(), length};
    const std::int64_t n = platform::read_ranges(file, &range, 1);
    return n < 0 ? 0 : static_cast<long>(n);
}

}  // namespace

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
    if (!status.regular) return report_failure(reporter, ERR_SOURCE_READ, path_);
    if (status.size < 0) return report_failure(reporter, ERR_SOURCE_LENGTH, path_);
    if (status.size > max_length) return report_failure(reporter, ERR_SOURCE_TOO_LONG, path_, max_length);
    size_ = status.size;
    return static_cast<int>(size_);
}

int SourceFile::read(const ByteRange* ranges, int count, const Reporter& reporter) {
    if (size_ == 0) return 0;
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

long read_file_start(const char* path, std::size_t max_length, ByteBuffer* content, const Reporter& reporter) {
    const platform::FileHandle file = platform::open_for_reading(path);
    if (file == platform::NO_FILE) return report_failure(reporter, ERR_SOURCE_OPEN, path);
    const long result = read_start(file, path, max_length, content, reporter);
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

std::int64_t regular_file_size(const char* path) {
    const platform::FileHandle file = platform::open_for_reading(path);
    if (file == platform::NO_FILE) return -1;
    platform::FileStatus status{};
    const bool known = platform::query_file_status(file, &status) == 0 && status.regular;
    platform::close_file(file);
    return known ? status.size : -1;
}

}  // namespace quillet
