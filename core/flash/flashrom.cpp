#include "core/flash/flashrom.h"

#include "core/files/child_process.h"

namespace zd::flash {

FlashromRunner systemFlashrom(std::string path) {
    return [path = std::move(path)](const std::vector<std::string>& args, const TextSink& onText,
                                    const files::KeepGoing& keepGoing) {
        FlashromEnd end;
        files::ChildProcess flashrom;
        if ((end.error = flashrom.start(path, args))) {
            end.how = FlashromEnd::How::CannotStart;
            return end;
        }
        for (bool ended = false; !ended;) {
            if (keepGoing && !keepGoing(0, 0)) {
                flashrom.stop();
                flashrom.wait();
                end.how = FlashromEnd::How::Stopped;
                return end;
            }
            std::string text;
            if (flashrom.read(text, 100, ended)) {
                break; // the output is lost: flashrom's status still tells
            }
            if (!text.empty()) {
                onText(text);
            }
        }
        end.status = flashrom.wait();
        // A Ctrl+C at a terminal reaches flashrom too, which may end first.
        if (keepGoing && !keepGoing(0, 0)) {
            end.how = FlashromEnd::How::Stopped;
        }
        return end;
    };
}

std::string findFlashrom() {
    return files::findProgram("flashrom", files::programFolders());
}

} // namespace zd::flash
