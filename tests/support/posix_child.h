// A piece of a test run in a child process: as the unprivileged user
// "nobody", or with a full disk (a file-size limit).
// POSIX only; the tests that use it are left out on Windows.
#pragma once
#ifndef _WIN32

#include <csignal>
#include <cstdio>
#include <functional>
#include <grp.h>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace zd::test {

inline constexpr uid_t kNobody = 65534;

struct ChildSetup {
    bool asNobody = false;    // needs root
    rlim_t fileSizeLimit = 0; // 0: none
};

// Runs `body` in a forked child and gives what it returned; nothing when the
// setup cannot be made.
inline std::optional<std::string> inChild(const ChildSetup& setup,
                                          const std::function<std::string()>& body) {
    int ends[2];
    if ((setup.asNobody && ::geteuid() != 0) || ::pipe(ends) != 0) {
        return std::nullopt;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails with EFBIG instead
        const rlimit limit{setup.fileSizeLimit, setup.fileSizeLimit};
        const bool ready = (!setup.fileSizeLimit || ::setrlimit(RLIMIT_FSIZE, &limit) == 0) &&
                           (!setup.asNobody || (::setgroups(0, nullptr) == 0 &&
                                                ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0));
        const std::string said = ready ? body() : "\x01";
        (void)!::write(ends[1], said.data(), said.size());
        ::_exit(0);
    }
    ::close(ends[1]);
    std::string said;
    char buffer[4096];
    for (ssize_t got; (got = ::read(ends[0], buffer, sizeof buffer)) > 0;) {
        said.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(ends[0]);
    ::waitpid(child, nullptr, 0);
    return said == "\x01" ? std::nullopt : std::optional(said);
}

// How runProgram starts a program.
struct ProgramStart {
    std::string stdoutPath = "/dev/null";
    std::string stderrPath = "/dev/null";
    int signal = 0;       // when not 0, pending as the program starts
    bool ignored = false; // `signal` ignored instead, as nohup leaves it
    rlim_t fileSizeLimit = RLIM_INFINITY;
};

// Runs `words` (the program first) as a terminal starts it: SIGINT, SIGTERM,
// SIGHUP and SIGXFSZ at their defaults (a test run in the background
// inherits SIGINT ignored), the first three blocked so that a pending one
// waits until the program lets it in. Returns the exit status as a shell
// reports it; 98 when the child could not be set up, -1 when it was lost.
inline int runProgram(std::vector<std::string> words, const ProgramStart& start) {
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        sigset_t stops;
        sigemptyset(&stops);
        std::signal(SIGXFSZ, SIG_DFL);
        for (const int number : {SIGINT, SIGTERM, SIGHUP}) {
            std::signal(number, start.ignored && number == start.signal ? SIG_IGN : SIG_DFL);
            sigaddset(&stops, number);
        }
        const rlimit limit{start.fileSizeLimit, start.fileSizeLimit};
        if (std::freopen(start.stdoutPath.c_str(), "w", stdout) &&
            std::freopen(start.stderrPath.c_str(), "w", stderr) &&
            ::setrlimit(RLIMIT_FSIZE, &limit) == 0 &&
            ::sigprocmask(SIG_BLOCK, &stops, nullptr) == 0 &&
            (!start.signal || ::raise(start.signal) == 0)) {
            ::execv(argv[0], argv.data());
        }
        ::_exit(98);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid) {
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace zd::test

#endif
