// A piece of a test run in a child process: as the unprivileged user
// "nobody", or with a full disk (a file-size limit).
// POSIX only; the tests that use it are left out on Windows.
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
    bool asNobody = false;    // needs root
    rlim_t fileSizeLimit = 0; // 0: none
};

struct ChildOutcome {
    std::string said; // what the body returned
};

// Runs `body` in a forked child; nothing when the setup cannot be made.
inline std::optional<ChildOutcome> inChild(const ChildSetup& setup,
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
    ChildOutcome outcome;
    char buffer[4096];
    for (ssize_t got; (got = ::read(ends[0], buffer, sizeof buffer)) > 0;) {
        outcome.said.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(ends[0]);
    ::waitpid(child, nullptr, 0);
    return outcome.said == "\x01" ? std::nullopt : std::optional(outcome);
}

} // namespace zd::test

#endif
