// The file layer on Windows: UTF-8 paths widened to UTF-16 for the W
// functions, handles that child processes do not inherit, and inputs copied
// by plain reads and writes of a large buffer.
#include "core/files/file_layer.h"
#include "core/files/utf16_text.h"

#include <algorithm>
#include <optional>
#include <vector>
#include <windows.h>

namespace zd::files {
namespace {

// ReadFile and WriteFile take 32-bit counts.
constexpr std::size_t kLargestCall = std::size_t{1} << 30;

// The errors that callers compare with std::errc come back as those; every
// other one keeps the system's code, whose message names it best (a file
// held open by another program, for one).
std::error_code errorFrom(DWORD code) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return std::make_error_code(std::errc::no_such_file_or_directory);
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return std::make_error_code(std::errc::file_exists);
    case ERROR_DIRECTORY:
        return std::make_error_code(std::errc::not_a_directory);
    case ERROR_ACCESS_DENIED:
        return std::make_error_code(std::errc::permission_denied);
    default:
        return {static_cast<int>(code), std::system_category()};
    }
}

std::error_code lastError() {
    return errorFrom(::GetLastError());
}

HANDLE handleOf(NativeHandle handle) {
    return reinterpret_cast<HANDLE>(handle);
}

// The path as the W functions take it. A long one is made absolute and put
// in its long form, so it works whether or not the system allows long paths;
// nothing for text that is not UTF-8.
std::optional<std::wstring> systemPath(const std::string& path) {
    std::optional<std::wstring> wide = files::toWide(path);
    if (!wide || wide->size() < MAX_PATH - 12) {
        return wide;
    }
    std::wstring full(::GetFullPathNameW(wide->c_str(), 0, nullptr, nullptr), L'\0');
    full.resize(
        ::GetFullPathNameW(wide->c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr));
    return full.empty() ? wide : files::extendedLengthPath(full);
}

// Opens `path` with the access asked for; folders open too (backup
// semantics), so that their kind can be told. Links are followed.
std::error_code openHandle(const std::string& path, DWORD access, HANDLE& out) {
    const std::optional<std::wstring> wide = systemPath(path);
    if (!wide) {
        return {ERROR_NO_UNICODE_TRANSLATION, std::system_category()};
    }
    // Not inherited (no security attributes), never waits on a pipe.
    out = ::CreateFileW(
        wide->c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING,
        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    return out == INVALID_HANDLE_VALUE ? lastError() : std::error_code{};
}

std::error_code statusOfHandle(HANDLE handle, Status& out) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle, &info)) {
        // A pipe or a device has no such information.
        if (::GetFileType(handle) != FILE_TYPE_DISK) {
            out = Status{};
            return {};
        }
        return lastError();
    }
    Status status;
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        status.kind = Kind::Directory;
    } else if (::GetFileType(handle) == FILE_TYPE_DISK) {
        status.kind = Kind::Regular;
    }
    status.size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
    status.identity = {info.dwVolumeSerialNumber,
                       (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
    out = status;
    return {};
}

std::error_code statusOfPath(const std::string& path, Status& out) {
    HANDLE handle = INVALID_HANDLE_VALUE;
    if (auto error = openHandle(path, FILE_READ_ATTRIBUTES, handle)) {
        return error;
    }
    const std::error_code error = statusOfHandle(handle, out);
    ::CloseHandle(handle);
    return error;
}

} // namespace

std::error_code Input::open(const std::string& path) {
    close();
    HANDLE handle = INVALID_HANDLE_VALUE;
    if (auto error = openHandle(path, GENERIC_READ, handle)) {
        return error;
    }
    handle_ = reinterpret_cast<NativeHandle>(handle);
    return {};
}

std::error_code Input::status(Status& out) const {
    return statusOfHandle(handleOf(handle_), out);
}

std::error_code Input::read(void* buffer, std::size_t size, std::size_t& got) {
    DWORD read = 0;
    got = 0;
    if (!::ReadFile(handleOf(handle_), buffer, static_cast<DWORD>(std::min(size, kLargestCall)),
                    &read, nullptr)) {
        const DWORD code = ::GetLastError();
        // The writer of a pipe has gone: its end, as on POSIX.
        return code == ERROR_BROKEN_PIPE || code == ERROR_HANDLE_EOF ? std::error_code{}
                                                                     : errorFrom(code);
    }
    got = read;
    return {};
}

// MinGW has no structured exception handling to survive a view whose file
// was cut short, so inputs are always read here.
std::error_code Input::visitInPlace(std::uint64_t, std::size_t, VisitFn, void*) const {
    return std::make_error_code(std::errc::not_supported);
}

void Input::close() {
    if (handle_ != kNoHandle) {
        ::CloseHandle(handleOf(handle_));
        handle_ = kNoHandle;
    }
}

std::error_code Output::createNew(const std::string& path) {
    const std::optional<std::wstring> wide = systemPath(path);
    if (!wide) {
        return {ERROR_NO_UNICODE_TRANSLATION, std::system_category()};
    }
    // Others may read the file while it is written, but nobody may delete
    // it: that is what tells removeUnowned that a living process owns it.
    const HANDLE handle =
        ::CreateFileW(wide->c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return lastError();
    }
    handle_ = reinterpret_cast<NativeHandle>(handle);
    return {};
}

std::error_code Output::copyAccessFrom(const std::string&) {
    return {};
}

std::error_code Output::write(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        DWORD written = 0;
        if (!::WriteFile(handleOf(handle_), bytes, static_cast<DWORD>(std::min(size, kLargestCall)),
                         &written, nullptr)) {
            return lastError();
        }
        if (written == 0) {
            return std::make_error_code(std::errc::io_error);
        }
        bytes += written;
        size -= written;
    }
    return {};
}

std::error_code Output::appendFrom(Input& input, std::uint64_t size, CopyResult& result,
                                   const ChunkFn& onChunk) {
    return appendByReading(input, size, result, onChunk);
}

std::error_code Output::sync() {
    if (!::FlushFileBuffers(handleOf(handle_))) {
        return lastError();
    }
    return {};
}

std::error_code Output::close() {
    if (handle_ == kNoHandle) {
        return {};
    }
    const HANDLE handle = handleOf(handle_);
    handle_ = kNoHandle;
    if (!::CloseHandle(handle)) {
        return lastError();
    }
    return {};
}

std::error_code NamedLock::tryLock(const std::string& key) {
    unlock();
    const std::optional<std::wstring> name = files::toWide("Local\\zadodaziderav-" + key);
    if (!name) {
        return {ERROR_NO_UNICODE_TRANSLATION, std::system_category()};
    }
    // Not inherited, and not owned: holding a handle is holding the lock,
    // and the system closes it however the process ends.
    const HANDLE mutex = ::CreateMutexW(nullptr, FALSE, name->c_str());
    if (!mutex) {
        return lastError();
    }
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(mutex);
        return std::make_error_code(std::errc::device_or_resource_busy);
    }
    handle_ = reinterpret_cast<NativeHandle>(mutex);
    return {};
}

void NamedLock::unlock() {
    if (handle_ != kNoHandle) {
        ::CloseHandle(handleOf(handle_));
        handle_ = kNoHandle;
    }
}

std::error_code statusOf(const std::string& path, Status& out) {
    return statusOfPath(path, out);
}

std::error_code checkWritable(const std::string& path) {
    const std::optional<std::wstring> wide = systemPath(path);
    if (!wide) {
        return {ERROR_NO_UNICODE_TRANSLATION, std::system_category()};
    }
    const DWORD attributes = ::GetFileAttributesW(wide->c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return lastError();
    }
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        return std::make_error_code(std::errc::permission_denied);
    }
    // Replacing the file deletes it: a program that holds it open without
    // sharing deletion makes the rename fail, so it is found here already.
    HANDLE handle = INVALID_HANDLE_VALUE;
    if (auto error = openHandle(path, GENERIC_WRITE | DELETE, handle)) {
        return error;
    }
    ::CloseHandle(handle);
    return {};
}

std::error_code rename(const std::string& from, const std::string& to) {
    const std::optional<std::wstring> source = systemPath(from);
    const std::optional<std::wstring> target = systemPath(to);
    if (!source || !target) {
        return {ERROR_NO_UNICODE_TRANSLATION, std::system_category()};
    }
    // A target held open by another program fails here with the system's
    // own words for it. A folder in the way is denied access; said as on
    // POSIX, it names the cause.
    if (!::MoveFileExW(source->c_str(), target->c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD code = ::GetLastError();
        const DWORD attributes = ::GetFileAttributesW(target->c_str());
        return code == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
                       (attributes & FILE_ATTRIBUTE_DIRECTORY)
                   ? std::make_error_code(std::errc::is_a_directory)
                   : errorFrom(code);
    }
    return {};
}

std::error_code remove(const std::string& path) {
    const std::optional<std::wstring> wide = systemPath(path);
    if (!wide) {
        return {ERROR_NO_UNICODE_TRANSLATION, std::system_category()};
    }
    if (!::DeleteFileW(wide->c_str())) {
        return lastError();
    }
    return {};
}

std::error_code makeFolder(const std::string& path) {
    const std::optional<std::wstring> wide = systemPath(path);
    if (!wide) {
        return {ERROR_NO_UNICODE_TRANSLATION, std::system_category()};
    }
    if (!::CreateDirectoryW(wide->c_str(), nullptr)) {
        return lastError();
    }
    return {};
}

std::error_code removeFolder(const std::string& path) {
    const std::optional<std::wstring> wide = systemPath(path);
    if (!wide) {
        return {ERROR_NO_UNICODE_TRANSLATION, std::system_category()};
    }
    if (!::RemoveDirectoryW(wide->c_str())) {
        return lastError();
    }
    return {};
}

std::error_code hardLink(const std::string& existing, const std::string& newName) {
    const std::optional<std::wstring> source = systemPath(existing);
    const std::optional<std::wstring> link = systemPath(newName);
    if (!source || !link) {
        return {ERROR_NO_UNICODE_TRANSLATION, std::system_category()};
    }
    if (!::CreateHardLinkW(link->c_str(), source->c_str(), nullptr)) {
        return lastError();
    }
    return {};
}

// The owner's handle does not share deletion, so DeleteFileW fails while
// it is open.
std::error_code removeUnowned(const std::string& path) {
    const std::error_code error = remove(path);
    return error.value() == ERROR_SHARING_VIOLATION && error.category() == std::system_category()
               ? std::make_error_code(std::errc::device_or_resource_busy)
               : error;
}

// Renames are written through (MOVEFILE_WRITE_THROUGH); the folder needs
// only to be there.
std::error_code syncFolder(const std::string& folder) {
    Status status;
    if (auto error = statusOfPath(folder, status)) {
        return error;
    }
    return status.kind == Kind::Directory ? std::error_code{}
                                          : std::make_error_code(std::errc::not_a_directory);
}

std::error_code resolveLinks(const std::string& path, std::string& target) {
    const std::optional<std::wstring> wide = systemPath(path);
    if (!wide) {
        return {ERROR_NO_UNICODE_TRANSLATION, std::system_category()};
    }
    const DWORD attributes = ::GetFileAttributesW(wide->c_str());
    target = path;
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        return {}; // no link; a missing file is the one to create
    }
    HANDLE handle = INVALID_HANDLE_VALUE;
    if (auto error = openHandle(path, FILE_READ_ATTRIBUTES, handle)) {
        if (error.value() == ERROR_CANT_RESOLVE_FILENAME) {
            return std::make_error_code(std::errc::too_many_symbolic_link_levels);
        }
        // A link to a file still to be created is replaced by the new file.
        return error == std::errc::no_such_file_or_directory ? std::error_code{} : error;
    }
    std::wstring final(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetFinalPathNameByHandleW(
            handle, final.data(), static_cast<DWORD>(final.size()), FILE_NAME_NORMALIZED);
        if (length == 0) {
            const std::error_code error = lastError();
            ::CloseHandle(handle);
            return error;
        }
        if (length < final.size()) {
            final.resize(length);
            break;
        }
        final.resize(length);
    }
    ::CloseHandle(handle);
    target = files::toUtf8(files::ordinaryPath(final));
    return {};
}

std::error_code listFolder(const std::string& folder, std::vector<FolderEntry>& out) {
    out.clear();
    Status status;
    if (auto error = statusOfPath(folder, status)) {
        return error;
    }
    if (status.kind != Kind::Directory) {
        return std::make_error_code(std::errc::not_a_directory);
    }
    const std::string prefix =
        folder.empty() || isSeparator(folder.back()) ? folder : folder + kSeparator;
    const std::optional<std::wstring> pattern = systemPath(prefix + "*");
    if (!pattern) {
        return {ERROR_NO_UNICODE_TRANSLATION, std::system_category()};
    }
    WIN32_FIND_DATAW found{};
    const HANDLE search =
        ::FindFirstFileExW(pattern->c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                           nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        return code == ERROR_FILE_NOT_FOUND ? std::error_code{} : errorFrom(code);
    }
    std::error_code error;
    do {
        const std::wstring_view name = found.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        FolderEntry item;
        item.name = files::toUtf8(name);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            // A link: what it leads to, taken on the opened target.
            Status target;
            if (statusOfPath(prefix + item.name, target)) {
                item.broken = true;
            } else {
                item.kind = target.kind;
            }
        } else {
            item.kind =
                found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? Kind::Directory : Kind::Regular;
        }
        out.push_back(std::move(item));
    } while (::FindNextFileW(search, &found));
    if (const DWORD code = ::GetLastError(); code != ERROR_NO_MORE_FILES) {
        error = errorFrom(code);
        out.clear();
    }
    ::FindClose(search);
    return error;
}

// The system itself takes ".." by the text of the path, so making the path
// absolute may do the same.
std::string absolutePath(const std::string& path) {
    const std::optional<std::wstring> wide = files::toWide(path);
    if (!wide || wide->empty()) {
        return path;
    }
    DWORD size = MAX_PATH;
    for (;;) {
        std::wstring full(size, L'\0');
        const DWORD length = ::GetFullPathNameW(wide->c_str(), size, full.data(), nullptr);
        if (length == 0) {
            return path;
        }
        if (length < size) {
            full.resize(length);
            return files::toUtf8(full);
        }
        size = length;
    }
}

// Every name the system made short holds a '~', so other paths are not
// looked up, which keeps a list of thousands of inputs cheap.
std::string longPath(const std::string& path) {
    const std::optional<std::wstring> wide = systemPath(path);
    if (!wide || wide->find(L'~') == std::wstring::npos) {
        return path;
    }
    std::wstring found(::GetLongPathNameW(wide->c_str(), nullptr, 0), L'\0');
    const DWORD length =
        ::GetLongPathNameW(wide->c_str(), found.data(), static_cast<DWORD>(found.size()));
    if (length == 0 || length >= found.size()) {
        return path;
    }
    found.resize(length);
    return files::toUtf8(files::ordinaryPath(found));
}

std::uint64_t processId() {
    return ::GetCurrentProcessId();
}

std::string temporaryFolder() {
    wchar_t folder[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
    return toUtf8(std::wstring_view(folder, length));
}

} // namespace zd::files
