#include "cli/option_values.h"

namespace zd::cli {
namespace {

// The option of `command` named `name` ("-o", "--output") when it takes a
// value, else null (a flag, or no such option).
const CLI::Option* valueOption(const CLI::App& command, const std::string& name) {
    const CLI::Option* option = command.get_option_no_throw(name);
    return option && option->get_items_expected_max() > 0 ? option : nullptr;
}

std::optional<ValueProblem> dashDashTaken(const CLI::App& command, const CLI::Option& option) {
    return ValueProblem{command.get_parent() ? command.get_name() : "",
                        option.get_name() + " needs a value; -- ends the options and is not one"};
}

} // namespace

std::optional<ValueProblem> settleOptionValues(const CLI::App& app,
                                               std::vector<std::string>& args) {
    const CLI::App* command = &app;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string word = args[i];
        if (word == "--") {
            return std::nullopt;
        }
        if (command == &app) {
            const auto named =
                app.get_subcommands([&word](const CLI::App* sub) { return sub->check_name(word); });
            if (!named.empty()) {
                command = named.front();
                continue;
            }
        }
        const CLI::Option* option = nullptr;
        bool valueFollows = false;
        if (word.starts_with("--")) {
            const std::size_t equals = word.find('=');
            option = valueOption(*command, word.substr(0, equals));
            if (option && equals == word.size() - 1) {
                args[i].pop_back();
                ++i;
                args.insert(args.begin() + static_cast<std::ptrdiff_t>(i), std::string());
            }
            valueFollows = option && equals == std::string::npos;
        } else if (word.size() > 1 && word.front() == '-') {
            // A cluster of short flags, perhaps ending in an option whose
            // value is attached or follows.
            for (std::size_t k = 1; k < word.size(); ++k) {
                const std::string name{'-', word[k]};
                if ((option = valueOption(*command, name))) {
                    valueFollows = k + 1 == word.size();
                    break;
                }
                if (!command->get_option_no_throw(name)) {
                    break;
                }
            }
        }
        if (valueFollows && i + 1 < args.size()) {
            if (args[++i] == "--") {
                return dashDashTaken(*command, *option);
            }
        }
    }
    return std::nullopt;
}

} // namespace zd::cli
