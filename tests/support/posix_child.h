// Running a piece of a test in a child process: to drop root's privileges,
// to give it a full disk (a file-size limit), or to kill it midway. POSIX
// only; tests that use it are left out on Windows.
#pragma once
#ifndef _WIN32

#include <csignal>
#include <functional>
#include <grp.h>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zd::test {

inline constexpr uid_t kNobody = 65534;

struct ChildSetup {
    bool asNobody = false;    // run as user and group 65534 (needs root)
    rlim_t fileSizeLimit = 0; // files may not grow past this (0: no limit)
};

struct ChildOutcome {
    std::string said; // what the body returned
    int signal = 0;   // the signal that ended the child, if one did
};

// Runs `body` in a forked child and hands back the text it returned. Nothing
// when the setup cannot be made (not root, so no "nobody").
inline std::optional<ChildOutcome> inChild(const ChildSetup& setup,
                                           const std::function<std::string()>& body) {
    if (setup.asNobody && ::geteuid() != 0) {
        return std::nullopt;
    }
    int ends[2];
    if (::pipe(ends) != 0) {
        return std::nullopt;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ends[0]);
        bool ready = true;
        if (setup.fileSizeLimit) {
            std::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails with EFBIG instead
            const rlimit limit{setup.fileSizeLimit, setup.fileSizeLimit};
            ready = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
        }
        if (setup.asNobody) {
            ready = ready && ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 &&
                    ::setuid(kNobody) == 0;
        }
        const std::string said = ready ? body() : std::string("\x01setup failed");
        (void)!::write(ends[1], said.data(), said.size());
        ::_exit(0);
    }
    ::close(ends[1]);
    ChildOutcome outcome;
    char buffer[4096];
    for (ssize_t got; (got = ::read(ends[0], buffer, sizeof buffer)) > 0;) {
        outcome.said.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(ends[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    outcome.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    if (outcome.said == "\x01setup failed") {
        return std::nullopt;
    }
    return outcome;
}

} // namespace zd::test

#endif
