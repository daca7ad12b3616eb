// Another program on POSIX systems: posix_spawn, one pipe for its output,
// poll to wait for it.
#include "core/files/child_process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace zd::files {
namespace {

std::error_code lastError() {
    return {errno, std::generic_category()};
}

pid_t pidOf(NativeHandle handle) {
    return static_cast<pid_t>(handle);
}

// Spawn settings that start the program as a shell would: no signal
// blocked, and those this program ignores for its own sake (a write past
// the file-size limit, a closed pipe) at their defaults.
struct SpawnSettings {
    posix_spawn_file_actions_t actions{};
    posix_spawnattr_t attributes{};
    SpawnSettings(int input, int output) {
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, output, 1);
        posix_spawn_file_actions_adddup2(&actions, output, 2);
        posix_spawn_file_actions_addclose(&actions, input);
        posix_spawn_file_actions_addclose(&actions, output);
        posix_spawnattr_init(&attributes);
        sigset_t none, defaults;
        sigemptyset(&none);
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGXFSZ);
        sigaddset(&defaults, SIGPIPE);
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setsigdefault(&attributes, &defaults);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    ~SpawnSettings() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
};

} // namespace

std::vector<std::string> programFolders() {
    std::vector<std::string> folders;
    const char* path = std::getenv("PATH");
    for (std::string rest = path ? path : ""; !rest.empty();) {
        const std::size_t colon = rest.find(':');
        if (const std::string folder = rest.substr(0, colon); !folder.empty()) {
            folders.push_back(folder);
        }
        rest = colon == std::string::npos ? "" : rest.substr(colon + 1);
    }
    for (const char* system : {"/usr/local/sbin", "/usr/sbin", "/sbin"}) {
        folders.push_back(system);
    }
    return folders;
}

bool canRun(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

void ChildProcess::closeOutput() {
    if (output_ != kNoHandle) {
        ::close(static_cast<int>(output_));
        output_ = kNoHandle;
    }
}

std::error_code ChildProcess::start(const std::string& path, const std::vector<std::string>& args) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return lastError();
    }
    std::vector<std::string> words{path};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    const SpawnSettings settings(ends[0], ends[1]);
    pid_t pid = 0;
    const int failed = ::posix_spawn(&pid, path.c_str(), &settings.actions, &settings.attributes,
                                     argv.data(), environ);
    ::close(ends[1]);
    if (failed != 0) {
        ::close(ends[0]);
        return {failed, std::generic_category()};
    }
    process_ = pid;
    output_ = ends[0];
    stopped_ = false;
    return {};
}

std::error_code ChildProcess::read(std::string& text, int waitMs, bool& ended) {
    ended = output_ == kNoHandle;
    if (ended) {
        return {};
    }
    pollfd wanted{static_cast<int>(output_), POLLIN, 0};
    const int ready = ::poll(&wanted, 1, waitMs);
    if (ready <= 0) {
        return ready == 0 || errno == EINTR ? std::error_code{} : lastError();
    }
    char buffer[4096];
    const ssize_t got = ::read(static_cast<int>(output_), buffer, sizeof buffer);
    if (got < 0) {
        return errno == EINTR ? std::error_code{} : lastError();
    }
    if (got == 0) {
        ended = true;
        closeOutput();
        return {};
    }
    text.append(buffer, static_cast<std::size_t>(got));
    return {};
}

void ChildProcess::stop() {
    if (process_ != kNoHandle && !stopped_) {
        ::kill(pidOf(process_), SIGTERM);
        stopped_ = true;
    }
}

int ChildProcess::wait() {
    if (process_ == kNoHandle) {
        return -1;
    }
    const pid_t pid = pidOf(process_);
    process_ = kNoHandle;
    int status = 0;
    pid_t ended = 0;
    if (stopped_) {
        // A stopped program that has not ended two seconds later is killed.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while ((ended = ::waitpid(pid, &status, WNOHANG)) == 0 &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (ended == 0) {
            ::kill(pid, SIGKILL);
        }
    }
    while (ended == 0 || (ended < 0 && errno == EINTR)) {
        ended = ::waitpid(pid, &status, 0);
    }
    closeOutput();
    if (ended != pid) {
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace zd::files
