// What both sides of running another program share: where it is looked
// for, and a program left running stopped when its owner goes.
#include "core/files/child_process.h"

#include "core/files/path_text.h"

namespace zd::files {

std::string findProgram(const std::string& name, const std::vector<std::string>& folders) {
    const std::string file = name + (kWin32 ? ".exe" : "");
    for (const std::string& folder : folders) {
        std::string path = joinedPath(folder, file);
        if (canRun(path)) {
            return path;
        }
    }
    return {};
}

ChildProcess::~ChildProcess() {
    if (process_ != kNoHandle) {
        stop();
        wait();
    }
    closeOutput();
}

} // namespace zd::files
