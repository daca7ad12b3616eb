// Runs a command and prints its peak resident memory in KiB (the kernel's
// ru_maxrss of the child), so the benchmarks need no other tool for it.
//
// Usage: peak_rss COMMAND [ARG]...
// Prints "peak_rss_kib <KiB>" on stderr, after whatever the command printed,
// and exits with the command's status.

#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: peak_rss COMMAND [ARG]...\n");
        return 2;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        std::perror("peak_rss: fork");
        return 2;
    }
    if (child == 0) {
        ::execvp(argv[1], argv + 1);
        std::perror("peak_rss: exec");
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    if (::wait4(child, &status, 0, &usage) < 0) {
        std::perror("peak_rss: wait4");
        return 2;
    }
    std::fprintf(stderr, "peak_rss_kib %ld\n", usage.ru_maxrss);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
