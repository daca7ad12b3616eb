// zadodaziderav-cli on POSIX systems: the stop signals, then the commands.
#include "cli/cli.h"

#include <atomic>
#include <csignal>
#include <iostream>
#include <signal.h>

namespace {

std::atomic<bool> stopRequested{false};
volatile std::sig_atomic_t caughtSignal = 0;

extern "C" void onStopSignal(int signal) {
    caughtSignal = signal;
    stopRequested = true;
}

// Ctrl+C, a build system's stop and a closed terminal end a merge cleanly:
// no temporary and no partial image stays behind. A signal the parent set to
// be ignored (nohup, a background job) stays ignored. The handled ones are
// unblocked, so that a stop is seen even if the parent left them blocked.
void catchStopSignals() {
    sigset_t handled;
    sigemptyset(&handled);
    for (const int number : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction previous {};
        if (sigaction(number, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN) {
            continue;
        }
        struct sigaction action {};
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        sigaction(number, &action, nullptr);
        sigaddset(&handled, number);
    }
    sigprocmask(SIG_UNBLOCK, &handled, nullptr);
}

} // namespace

int main(int argc, char** argv) {
    catchStopSignals();
    // A write past the file-size limit fails (EFBIG) like a full disk, and
    // the command removes what it made, rather than dying with it half made.
    std::signal(SIGXFSZ, SIG_IGN);
    const std::vector<std::string> args(argv + 1, argv + argc);
    const int code = zd::cli::run(args, std::cout, std::cerr, &stopRequested);
    // A run that a signal stopped ends as the shell reports a death by it.
    if (caughtSignal != 0 && code != zd::cli::kSuccess) {
        return 128 + caughtSignal;
    }
    return code;
}
