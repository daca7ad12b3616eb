// Runs a built program as a separate process, as a user or a build script
// would, and keeps what it printed. Windows only: the POSIX tests fork and
// exec the program themselves, to hold signals for it.
#pragma once
#ifdef _WIN32

#include "tests/support/test_files.h"

#include <string>
#include <vector>
#include <windows.h>

namespace zd::test {

// One argument as the C runtime splits a command line: quoted, with
// backslashes doubled only before a quote.
inline std::wstring quoted(const std::wstring& arg) {
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

// A program built beside the running test.
inline std::string besideThisProgram(const std::string& name) {
    wchar_t self[32768];
    const DWORD length = ::GetModuleFileNameW(nullptr, self, 32768);
    return textOf(std::filesystem::path(std::wstring(self, length)).parent_path() / pathOf(name));
}

// Runs `program` with `args`, standard output and error both into
// `outputFile`; returns the exit status, or -1 when it did not run or end.
inline int runProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& outputFile) {
    std::wstring command = quoted(pathOf(program).wstring());
    for (const std::string& arg : args) {
        command += L" " + quoted(pathOf(arg).wstring());
    }
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const HANDLE output = ::CreateFileW(pathOf(outputFile).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                        &inherit, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    startup.hStdError = output;
    PROCESS_INFORMATION process{};
    const bool started = ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0,
                                          nullptr, nullptr, &startup, &process);
    ::CloseHandle(output);
    if (!started) {
        return -1;
    }
    DWORD status = static_cast<DWORD>(-1);
    ::WaitForSingleObject(process.hProcess, 60000);
    ::GetExitCodeProcess(process.hProcess, &status);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return status == STILL_ACTIVE ? -1 : static_cast<int>(status);
}

} // namespace zd::test

#endif
