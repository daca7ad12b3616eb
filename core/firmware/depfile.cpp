#include "core/firmware/depfile.h"

#include <string_view>

namespace zd {
namespace {

// `name` as one word of a rule.
std::string depfileWord(std::string_view name) {
    std::string word;
    std::size_t backslashes = 0; // just before the current character
    for (const char c : name) {
        switch (c) {
        case ' ':
            // 2N+1 backslashes and a space are N backslashes and a space.
            word.append(backslashes + 1, '\\');
            break;
        case '#':
        case ':':
            word += '\\';
            break;
        case '$':
            word += '$';
            break;
        default:
            break;
        }
        word += c;
        backslashes = c == '\\' ? backslashes + 1 : 0;
    }
    return word;
}

} // namespace

std::string depfileText(const std::vector<std::string>& outputs,
                        const std::vector<std::string>& inputs) {
    std::string text;
    for (const std::string& output : outputs) {
        if (!text.empty()) {
            text += ' ';
        }
        text += depfileWord(output);
    }
    text += ':';
    for (const std::string& input : inputs) {
        text += " \\\n " + depfileWord(input);
    }
    text += '\n';
    for (const std::string& input : inputs) {
        text += depfileWord(input) + ":\n";
    }
    return text;
}

bool isDepfileText(std::string_view head) {
    const std::size_t end = head.find('\n');
    if (end == std::string_view::npos) {
        return false;
    }
    const std::string_view line = head.substr(0, end);
    return line.ends_with(':') || line.ends_with(": \\");
}

} // namespace zd
