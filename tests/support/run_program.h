// Runs a built program as a separate process, as a user or a build script
// would, and keeps what it printed.
#pragma once

#include "test_files.h"

#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#endif

namespace zd::test {

#ifdef _WIN32
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
#endif

// Runs `program` with `args`, standard output and error both into
// `outputFile`; returns the exit status, or -1 when it did not run or end.
inline int runProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& outputFile) {
#ifdef _WIN32
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
#else
    // Pieces appended one by one: GCC 12 misreads temporary concatenations.
    auto appendQuoted = [](std::string& out, const std::string& text) {
        out += '\'';
        for (const char c : text) {
            if (c == '\'') {
                out.append("'\\''");
            } else {
                out += c;
            }
        }
        out += '\'';
    };
    std::string command;
    appendQuoted(command, program);
    for (const std::string& arg : args) {
        command += ' ';
        appendQuoted(command, arg);
    }
    command.append(" >");
    appendQuoted(command, outputFile);
    command.append(" 2>&1");
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

} // namespace zd::test
