// Another program on Windows: CreateProcessW with its arguments quoted as
// the C runtime splits them, one anonymous pipe for its output, polled.
#include "core/files/child_process.h"
#include "core/files/utf16_text.h"

#include <algorithm>
#include <optional>
#include <windows.h>

namespace zd::files {
namespace {

HANDLE handleOf(NativeHandle handle) {
    return reinterpret_cast<HANDLE>(handle);
}

std::error_code lastError() {
    return {static_cast<int>(::GetLastError()), std::system_category()};
}

// `arg` as one word of a command line that CommandLineToArgvW and the C
// runtime split back into `arg`: quoted when it holds a blank or a quote or
// is empty, with the backslashes before a quote (or the closing one)
// doubled.
std::wstring quoted(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        return arg;
    }
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

} // namespace

std::vector<std::string> programFolders() {
    std::vector<std::string> folders;
    const DWORD length = ::GetEnvironmentVariableW(L"PATH", nullptr, 0);
    std::wstring path(length, L'\0');
    path.resize(::GetEnvironmentVariableW(L"PATH", path.data(), length));
    for (std::size_t begin = 0; begin <= path.size();) {
        std::size_t end = path.find(L';', begin);
        end = end == std::wstring::npos ? path.size() : end;
        std::wstring folder = path.substr(begin, end - begin);
        if (folder.size() >= 2 && folder.front() == L'"' && folder.back() == L'"') {
            folder = folder.substr(1, folder.size() - 2);
        }
        if (!folder.empty()) {
            folders.push_back(toUtf8(folder));
        }
        begin = end + 1;
    }
    return folders;
}

bool canRun(const std::string& path) {
    const std::optional<std::wstring> wide = toWide(path);
    const DWORD attributes = wide ? ::GetFileAttributesW(wide->c_str()) : INVALID_FILE_ATTRIBUTES;
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void ChildProcess::closeOutput() {
    if (output_ != kNoHandle) {
        ::CloseHandle(handleOf(output_));
        output_ = kNoHandle;
    }
}

std::error_code ChildProcess::start(const std::string& path, const std::vector<std::string>& args) {
    const std::optional<std::wstring> program = toWide(path);
    if (!program) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    std::wstring line = quoted(*program);
    for (const std::string& arg : args) {
        line += L" " + quoted(toWideLenient(arg));
    }
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &inherited, 0)) {
        return lastError();
    }
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    HANDLE nothing = ::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   &inherited, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nothing;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION started{};
    const BOOL ok = ::CreateProcessW(program->c_str(), line.data(), nullptr, nullptr, TRUE, 0,
                                     nullptr, nullptr, &startup, &started);
    const std::error_code error = ok ? std::error_code{} : lastError();
    ::CloseHandle(writeEnd);
    if (nothing != INVALID_HANDLE_VALUE) {
        ::CloseHandle(nothing);
    }
    if (!ok) {
        ::CloseHandle(readEnd);
        return error;
    }
    ::CloseHandle(started.hThread);
    process_ = reinterpret_cast<NativeHandle>(started.hProcess);
    output_ = reinterpret_cast<NativeHandle>(readEnd);
    stopped_ = false;
    return {};
}

std::error_code ChildProcess::read(std::string& text, int waitMs, bool& ended) {
    ended = output_ == kNoHandle;
    // Anonymous pipes cannot be waited on: look every 10 ms.
    for (int waited = 0; !ended; waited += 10) {
        DWORD available = 0;
        if (!::PeekNamedPipe(handleOf(output_), nullptr, 0, nullptr, &available, nullptr)) {
            if (::GetLastError() != ERROR_BROKEN_PIPE) {
                return lastError();
            }
            ended = true;
            closeOutput();
            break;
        }
        if (available != 0) {
            char buffer[4096];
            DWORD got = 0;
            if (!::ReadFile(handleOf(output_), buffer, std::min<DWORD>(available, sizeof buffer),
                            &got, nullptr)) {
                return lastError();
            }
            text.append(buffer, got);
            break;
        }
        if (waited >= waitMs) {
            break;
        }
        ::Sleep(10);
    }
    return {};
}

void ChildProcess::stop() {
    if (process_ != kNoHandle && !stopped_) {
        ::TerminateProcess(handleOf(process_), 1);
        stopped_ = true;
    }
}

int ChildProcess::wait() {
    if (process_ == kNoHandle) {
        return -1;
    }
    DWORD status = 0;
    ::WaitForSingleObject(handleOf(process_), INFINITE);
    const bool known = ::GetExitCodeProcess(handleOf(process_), &status);
    ::CloseHandle(handleOf(process_));
    process_ = kNoHandle;
    closeOutput();
    return known ? static_cast<int>(status) : -1;
}

} // namespace zd::files
