#include "core/firmware/depfile.h"

#include "core/files/path_text.h"

#include <algorithm>

namespace zd {
namespace {

// `name` as the rule spells it: on Windows "\" only separates folders, and
// as "/" it can never be read as a quote.
std::string portable(std::string_view name) {
    std::string text(name);
    if constexpr (files::kWin32) {
        std::replace(text.begin(), text.end(), '\\', '/');
    }
    return text;
}

// Characters at which Ninja ends a name, whatever quotes them.
constexpr std::string_view kNinjaStops = "\"&'*;<>?^`|";

// Characters that Make and Ninja read differently after a backslash.
constexpr std::string_view kQuotedApart = "#:$";

// `name` (passing depfileNameProblem) as one word of a rule.
std::string depfileWord(std::string_view given) {
    std::string word;
    std::size_t backslashes = 0; // just before the current character
    for (const char c : portable(given)) {
        if (c == ' ') {
            // 2N+1 backslashes and a space are N backslashes and a space.
            word.append(backslashes + 1, '\\');
        } else if (c == '#' || (c == ':' && !files::kWin32)) {
            word += '\\';
        } else if (c == '$') {
            word += '$';
        }
        word += c;
        backslashes = c == '\\' ? backslashes + 1 : 0;
    }
    return word;
}

} // namespace

std::optional<std::string> depfileNameProblem(std::string_view given) {
    const std::string name = portable(given);
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            return "Ninja cannot read a control character in a name";
        }
        if (kNinjaStops.find(c) != std::string_view::npos) {
            return std::string("Ninja cannot read '") + c + "' in a name";
        }
        if (c == '%') {
            return "Make would read its '%' as a pattern";
        }
        if (c == '=') {
            return "Make would read its '=' as an assignment";
        }
        if (c == '\\' &&
            (i + 1 == name.size() || kQuotedApart.find(name[i + 1]) != kQuotedApart.npos)) {
            return "Make and Ninja read a backslash at its end, or before '#', ':' or '$', "
                   "differently";
        }
    }
    if (name.ends_with(':')) {
        return "Ninja would read its last ':' as the end of the rule's targets";
    }
    if (name.ends_with(' ')) {
        return "Make drops a space at its end before a line break";
    }
    if (name.starts_with('~')) {
        return "Make would read its '~' as a home folder";
    }
    if (const std::size_t open = name.find('[');
        open != name.npos && name.find(']', open) != name.npos) {
        return "Make would read its [ ] as a wildcard";
    }
    // NAME(MEMBER): a member of an archive.
    if (const std::size_t open = name.find('(');
        open != 0 && open != name.npos && open + 2 < name.size() && name.ends_with(')')) {
        return "Make would read NAME(MEMBER) as a member of an archive";
    }
    return std::nullopt;
}

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
