// zadodaziderav-cli: merges files into a flat image from the command line.
#include "cli.h"

#include <atomic>
#include <csignal>
#include <iostream>

namespace {
std::atomic<bool> stopRequested{false};
extern "C" void onInterrupt(int) {
    stopRequested = true;
}
} // namespace

int main(int argc, char** argv) {
    // Ctrl+C or a build system's stop ends the merge cleanly: no temporary
    // and no partial image stays behind.
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    const std::vector<std::string> args(argv + 1, argv + argc);
    return zd::cli::run(args, std::cout, std::cerr, &stopRequested);
}
