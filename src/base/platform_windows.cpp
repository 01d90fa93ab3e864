// Windows implementation of the platform layer. Paths arrive as UTF-8 and
// are opened with the wide calls, so that any name the file system holds
// can be given; files are read and written as bytes (no text mode here).
#include <windows.h>

#include <algorithm>
#include <cwchar>

#include "base/platform.hpp"
#include "base/temporary_name.hpp"

namespace quillet::platform {
namespace {

constexpr int TEMPORARY_NAME_TRIES = 64;
constexpr DWORD SHARE_ALL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr std::size_t LARGEST_TRANSFER = DWORD{1} << 30;  // per ReadFile or WriteFile call
constexpr DWORD REPLACE_FLAGS = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
constexpr int ENTROPY_SHIFT = 32;

HANDLE handle_of(FileHandle file) { return reinterpret_cast<HANDLE>(file); }

FileHandle file_of(HANDLE handle) {
    return handle == INVALID_HANDLE_VALUE || handle == nullptr ? NO_FILE : reinterpret_cast<FileHandle>(handle);
}

// `text` as UTF-16; empty for an empty text or one that is no valid UTF-8,
// which no file can be named.
std::wstring wide(const std::string& text) {
    const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.c_str(), -1, nullptr, 0);
    if (size <= 1) return {};
    std::wstring result(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.c_str(), -1, &result[0], size);
    result.resize(static_cast<std::size_t>(size) - 1);
    return result;
}

std::string narrow(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return {};
    std::string result(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &result[0], size, nullptr, nullptr);
    result.resize(static_cast<std::size_t>(size) - 1);
    return result;
}

// The directory part of `path` with its separator ("dir\", "C:", or empty
// for a name in the current directory).
std::string directory_prefix(const std::string& path) {
    const std::size_t end = path.find_last_of("/\\:");
    return end == std::string::npos ? std::string() : path.substr(0, end + 1);
}

// The path of the file that an open handle finally names, links followed.
std::string final_path(HANDLE handle) {
    const DWORD size = GetFinalPathNameByHandleW(handle, nullptr, 0, FILE_NAME_NORMALIZED);
    if (size == 0) return {};
    std::wstring path(size, L'\0');
    const DWORD length = GetFinalPathNameByHandleW(handle, &path[0], size, FILE_NAME_NORMALIZED);
    if (length == 0 || length >= size) return {};
    path.resize(length);
    return narrow(path);
}

std::uint64_t name_entropy() {
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    const std::uint64_t process = GetCurrentProcessId();
    return static_cast<std::uint64_t>(counter.QuadPart) ^ (process << ENTROPY_SHIFT) ^
           reinterpret_cast<std::uintptr_t>(&counter);
}

// Creates the temporary file beside the target, for this process alone.
bool create_temporary(Output* output) {
    const std::string prefix = directory_prefix(output->target);
    for (int attempt = 0; attempt < TEMPORARY_NAME_TRIES; ++attempt) {
        std::string name = temporary_name(prefix, name_entropy(), attempt);
        const HANDLE file = CreateFileW(wide(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
            return false;
        }
        output->temporary = std::move(name);
        output->file = file_of(file);
        return true;
    }
    return false;
}

// Whether Windows refuses `name` as the name of a file: a character it
// forbids in the last component (< > : " | ? * or a control character), a
// component longer than the file system allows, or an error that says so.
constexpr std::size_t LONGEST_COMPONENT = 255;
bool refused_name(const std::wstring& name, DWORD open_error) {
    if (open_error == ERROR_INVALID_NAME || open_error == ERROR_FILENAME_EXCED_RANGE ||
        open_error == ERROR_BAD_PATHNAME) {
        return true;
    }
    const std::size_t start = name.find_last_of(L"\\/");
    const std::wstring last = start == std::wstring::npos ? name : name.substr(start + 1);
    const std::size_t colon = last.find(L':');
    // "C:name" names a file in a drive's current directory.
    const std::wstring component = start == std::wstring::npos && colon == 1 ? last.substr(2) : last;
    if (component.size() > LONGEST_COMPONENT) return true;
    for (const wchar_t ch : component) {
        if (ch < L' ' || std::wcschr(L"<>:\"|?*", ch)) return true;
    }
    return false;
}

OpenOutputResult open_directly(const std::wstring& name, DWORD disposition, Output* output) {
    output->file = file_of(
        CreateFileW(name.c_str(), GENERIC_WRITE, SHARE_ALL, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    return output->file == NO_FILE ? OpenOutputResult::CANNOT_CREATE : OpenOutputResult::OPENED;
}

// What an existing output name leads to.
enum class Existing { DEVICE, FILE, READ_ONLY_FILE, DIRECTORY };

Existing classify(HANDLE handle) {
    if (GetFileType(handle) != FILE_TYPE_DISK) return Existing::DEVICE;
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(handle, &information)) return Existing::DIRECTORY;
    if (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return Existing::DIRECTORY;
    if (information.dwFileAttributes & FILE_ATTRIBUTE_READONLY) return Existing::READ_ONLY_FILE;
    return Existing::FILE;
}

// Reads into `data` until `length` bytes arrived or the file ends. Returns
// the number of bytes read, or -1 on a read error.
std::int64_t read_into(HANDLE file, std::uint8_t* data, std::size_t length) {
    std::size_t total = 0;
    while (total < length) {
        DWORD done = 0;
        if (!ReadFile(file, data + total, static_cast<DWORD>(std::min(length - total, LARGEST_TRANSFER)), &done,
                      nullptr)) {
            // A pipe whose writer has gone has reached its end.
            if (GetLastError() == ERROR_BROKEN_PIPE) break;
            return -1;
        }
        if (done == 0) break;
        total += done;
    }
    return static_cast<std::int64_t>(total);
}

bool write_all(HANDLE file, const std::uint8_t* data, std::size_t length) {
    while (length > 0) {
        DWORD done = 0;
        if (!WriteFile(file, data, static_cast<DWORD>(std::min(length, LARGEST_TRANSFER)), &done, nullptr) ||
            done == 0) {
            return false;
        }
        data += done;
        length -= done;
    }
    return true;
}

}  // namespace

FileHandle open_for_reading(const char* path) {
    const std::wstring name = wide(path);
    if (name.empty()) return NO_FILE;
    // Directories open too, so that they are refused as no regular file.
    return file_of(CreateFileW(name.c_str(), GENERIC_READ, SHARE_ALL, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

EntryKind examine_entry(const char* path) {
    const std::wstring name = wide(path);
    if (name.empty()) return EntryKind::NOTHING;
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return EntryKind::NOTHING;
    const DWORD other = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;
    return attributes & other ? EntryKind::OTHER : EntryKind::REGULAR_FILE;
}

namespace {

// The identity of the file or directory `name` names (links followed), by
// its open handle; false when it cannot be opened or examined.
bool identify_open(const std::wstring& name, FileIdentity* identity) {
    const HANDLE handle = CreateFileW(name.c_str(), 0, SHARE_ALL, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION information{};
    const bool known = GetFileInformationByHandle(handle, &information) != 0;
    const bool disk = GetFileType(handle) == FILE_TYPE_DISK;
    CloseHandle(handle);
    if (!known) return false;
    const bool directory = (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    identity->kind = disk && !directory ? FileIdentity::Kind::REGULAR : FileIdentity::Kind::OTHER;
    identity->volume = information.dwVolumeSerialNumber;
    identity->file = (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow;
    return true;
}

}  // namespace

FileIdentity identify_file(const char* path) {
    FileIdentity identity;
    const std::wstring name = wide(path);
    if (name.empty()) return identity;
    if (identify_open(name, &identity)) return identity;
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND) return FileIdentity{};
    // Where a new file would be made.
    const std::string text = path;
    const std::string directory = directory_prefix(text);
    identity.name = text.substr(directory.size());
    FileIdentity parent;
    if (identity.name.empty() || !identify_open(wide(directory.empty() ? std::string(".") : directory), &parent) ||
        parent.kind != FileIdentity::Kind::OTHER) {
        return FileIdentity{};
    }
    identity.kind = FileIdentity::Kind::ABSENT;
    identity.volume = parent.volume;
    identity.file = parent.file;
    return identity;
}

bool same_file(const FileIdentity& a, const FileIdentity& b) {
    if (a.kind == FileIdentity::Kind::UNKNOWN || a.kind != b.kind) return false;
    if (a.volume != b.volume || a.file != b.file) return false;
    // File names on Windows are the same whatever their letter case.
    const std::wstring x = wide(a.name), y = wide(b.name);
    return CompareStringOrdinal(x.c_str(), static_cast<int>(x.size()), y.c_str(), static_cast<int>(y.size()), TRUE) ==
           CSTR_EQUAL;
}

std::string comparable_name(const std::string& name) {
    std::wstring text = wide(name);
    if (!text.empty()) CharUpperBuffW(&text[0], static_cast<DWORD>(text.size()));
    return narrow(text);
}

// Reads from a pipe wait for data on Windows anyway, and opening a named
// pipe needs its server already.
void wait_for_data(FileHandle) {}

FileHandle wait_for_writer(FileHandle file) { return file; }

std::int64_t read_ranges(FileHandle file, const ByteRange* ranges, int count) {
    std::int64_t total = 0;
    for (int i = 0; i < count; ++i) {
        const std::int64_t n = read_into(handle_of(file), ranges[i].data, ranges[i].length);
        if (n < 0) return -1;
        total += n;
        if (static_cast<std::size_t>(n) < ranges[i].length) break;
    }
    return total;
}

void close_file(FileHandle file) {
    if (file != NO_FILE) CloseHandle(handle_of(file));
}

OpenOutputResult open_output(const char* path, Output* output) {
    output->file = NO_FILE;
    output->temporary.clear();
    output->target = path;
    const std::wstring name = wide(path);
    if (name.empty()) return OpenOutputResult::CANNOT_CREATE;

    const HANDLE existing = CreateFileW(name.c_str(), FILE_READ_ATTRIBUTES, SHARE_ALL, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (existing == INVALID_HANDLE_VALUE) {
        if (refused_name(name, GetLastError())) return OpenOutputResult::CANNOT_CREATE;
        // Nothing there yet, or a missing directory that the creation of
        // the temporary file then finds. A link that leads nowhere is
        // replaced itself rather than followed.
        return create_temporary(output) ? OpenOutputResult::OPENED : OpenOutputResult::CANNOT_CREATE;
    }
    const Existing kind = classify(existing);
    // A symbolic link is followed: the file it leads to is replaced.
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (kind == Existing::FILE && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        output->target = final_path(existing);
    }
    CloseHandle(existing);

    switch (kind) {
    case Existing::DEVICE: return open_directly(name, OPEN_EXISTING, output);
    case Existing::DIRECTORY:
    case Existing::READ_ONLY_FILE: return OpenOutputResult::CANNOT_CREATE;
    case Existing::FILE: break;
    }
    if (output->target.empty()) return OpenOutputResult::CANNOT_CREATE;
    // A directory that only lets its existing file be rewritten in place is
    // refused too: rewritten in place, a failure would leave half a file.
    return create_temporary(output) ? OpenOutputResult::OPENED : OpenOutputResult::CANNOT_CREATE;
}

int write_ranges(Output* output, const ConstByteRange* ranges, int count) {
    for (int i = 0; i < count; ++i) {
        if (!write_all(handle_of(output->file), ranges[i].data, ranges[i].length)) return -1;
    }
    return 0;
}

int write_at(Output* output, std::uint64_t offset, const std::uint8_t* data, std::size_t length) {
    const HANDLE file = handle_of(output->file);
    LARGE_INTEGER none{};
    LARGE_INTEGER end{};
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file, none, &end, FILE_CURRENT) || !SetFilePointerEx(file, at, nullptr, FILE_BEGIN)) {
        return -1;
    }
    const bool written = write_all(file, data, length);
    if (!SetFilePointerEx(file, end, nullptr, FILE_BEGIN)) return -1;
    return written ? 0 : -1;
}

bool close_output_file(FileHandle file) { return CloseHandle(handle_of(file)) != 0; }

bool replace_file(const std::string& from, const std::string& to) {
    return MoveFileExW(wide(from).c_str(), wide(to).c_str(), REPLACE_FLAGS) != 0;
}

void remove_file(const std::string& path) { DeleteFileW(wide(path).c_str()); }

void remove_empty_directory(const char* path) { RemoveDirectoryW(wide(path).c_str()); }

bool make_directory(const char* path) {
    const std::wstring name = wide(path);
    if (name.empty()) return false;
    if (CreateDirectoryW(name.c_str(), nullptr)) return true;
    const DWORD attributes = GetFileAttributesW(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace quillet::platform
