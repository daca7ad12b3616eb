// Runs a built program through the command processor, as a build script
// would, and keeps what it printed. Windows only: the POSIX tests fork and
// exec the program themselves, to hold signals for it.
#pragma once
#ifdef _WIN32

#include "tests/support/test_files.h"

#include <cstdlib>
#include <string>
#include <vector>
#include <windows.h>

namespace zd::test {

// A program built beside the running test.
inline std::string besideThisProgram(const std::string& name) {
    wchar_t self[32768];
    const DWORD length = ::GetModuleFileNameW(nullptr, self, 32768);
    return textOf(std::filesystem::path(std::wstring(self, length)).parent_path() / pathOf(name));
}

// Runs `program` with `args` (words without quotes, and none ending in a
// backslash), standard output and error both into `outputFile`; returns the
// exit status.
inline int runProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& outputFile) {
    // The command processor takes off the outer pair of quotes.
    std::wstring command = L"\"\"" + pathOf(program).wstring() + L"\"";
    for (const std::string& arg : args) {
        command += L" \"" + pathOf(arg).wstring() + L"\"";
    }
    command += L" >\"" + pathOf(outputFile).wstring() + L"\" 2>&1\"";
    return ::_wsystem(command.c_str());
}

} // namespace zd::test

#endif
