#include "cli/command.h"

#include "cli/cli.h"
#include "core/model/number_parse.h"

namespace zd::cli {
void Context::fail(std::string_view subject, std::string_view what) const {
    err << kProgram << ": " << subject << ": " << what << '\n';
}

int Context::usage(std::string_view command, std::string_view problem) const {
    const std::string program = command.empty()
                                    ? std::string(kProgram)
                                    : std::string(kProgram) + " " + std::string(command);
    err << program << ": " << problem << " (see '" << program << " --help')\n";
    return kUsageError;
}

CLI::Option* addByteCountOption(CLI::App& command, const std::string& names, std::uint32_t& value,
                                const std::string& description, ByteLimit limit) {
    // A transform: CLI11 then reads the plain decimal it leaves behind.
    CLI::Validator byteCount(
        [limit](std::string& text) -> std::string {
            const auto count = parseByteCount(text);
            if (!count) {
                return "'" + text +
                       "' is not a byte count: decimal, 0x hexadecimal or 0-prefixed octal, "
                       "optionally followed by K or M";
            }
            if (*count >= limit.bytes) {
                return "'" + text + "' is " + limit.text + " or more";
            }
            text = std::to_string(*count);
            return {};
        },
        "");
    return command.add_option(names, value, description)
        ->transform(byteCount)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
}

CLI::Validator byteCountCheck(std::function<std::optional<std::string>(std::uint64_t)> problem) {
    return CLI::Validator(
        [problem = std::move(problem)](std::string& text) -> std::string {
            const auto count = parseByteCount(text);
            if (!count) {
                return "'" + text +
                       "' is not a byte count: decimal, 0x hexadecimal or 0-prefixed octal, "
                       "optionally followed by K or M";
            }
            if (const auto why = problem(*count)) {
                return "'" + text + "': " + *why;
            }
            text = std::to_string(*count);
            return {};
        },
        "");
}

CLI::Option* addQuietFlag(CLI::App& command, bool& quiet) {
    return command.add_flag("-q,--quiet", quiet, "print nothing on success");
}

} // namespace zd::cli
