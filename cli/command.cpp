#include "cli/command.h"

#include "cli/cli.h"
#include "core/model/file_names.h"
#include "core/model/number_parse.h"

namespace zd::cli {
void Context::fail(std::string_view subject, std::string_view what) const {
    err << kProgram << ": " << printableName(subject) << ": " << what << '\n';
}

int Context::usage(std::string_view command, std::string_view problem) const {
    const std::string program = command.empty()
                                    ? std::string(kProgram)
                                    : std::string(kProgram) + " " + std::string(command);
    // The problem may quote any word given, a name with controls too.
    err << program << ": " << printableName(problem) << " (see '" << program << " --help')\n";
    return kUsageError;
}

namespace {

// A transform taking the forms parseByteCount takes and refusing what
// `problem` names; CLI11 then reads the plain decimal it leaves behind.
CLI::Validator byteCount(std::function<std::optional<std::string>(std::uint64_t)> problem) {
    return CLI::Validator(
        [problem = std::move(problem)](std::string& text) -> std::string {
            const auto count = parseByteCount(text);
            if (!count) {
                return "'" + text +
                       "' is not a byte count: decimal, 0x hexadecimal or 0-prefixed octal, "
                       "optionally followed by K or M";
            }
            if (const auto refused = problem(*count)) {
                return "'" + text + "'" + *refused;
            }
            text = std::to_string(*count);
            return {};
        },
        "");
}

} // namespace

CLI::Option* addByteCountOption(CLI::App& command, const std::string& names, std::uint32_t& value,
                                const std::string& description, ByteLimit limit) {
    const auto tooLarge = [limit](std::uint64_t count) -> std::optional<std::string> {
        if (count >= limit.bytes) {
            return std::string(" is ") + limit.text + " or more";
        }
        return std::nullopt;
    };
    return command.add_option(names, value, description)
        ->transform(byteCount(tooLarge))
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
}

namespace {

// A name taken as given: never empty, and for what a command writes never
// starting with "-".
CLI::Validator nameCheck(bool written) {
    return CLI::Validator(
        [written](const std::string& text) -> std::string {
            if (text.empty()) {
                return "an empty name names no file";
            }
            return written && text.starts_with('-')
                       ? "'" + text + "' starts with '-'; to name such a file, " + "write ./" + text
                       : "";
        },
        "");
}

} // namespace

CLI::Option* addOutputOption(CLI::App& command, const std::string& names, std::string& value,
                             const std::string& description) {
    return command.add_option(names, value, description)
        ->type_name("PATH")
        ->check(nameCheck(true))
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
}

CLI::Validator namesAFile() {
    return nameCheck(false);
}

CLI::Option* addByteSizeOption(CLI::App& command, const std::string& names, std::uint64_t& value,
                               const std::string& description, SizeProblem problem) {
    return command.add_option(names, value, description)
        ->type_name("SIZE")
        ->transform(byteCountCheck(problem))
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
}

std::string bytesText(std::uint64_t count) {
    return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

CLI::Validator byteCountCheck(std::function<std::optional<std::string>(std::uint64_t)> problem) {
    return byteCount(
        [problem = std::move(problem)](std::uint64_t count) -> std::optional<std::string> {
            if (auto why = problem(count)) {
                return ": " + *why;
            }
            return std::nullopt;
        });
}

CLI::Validator byteCheck() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            const bool suffixed = text.find_first_of("KkMm") != std::string::npos;
            const auto byte = suffixed ? std::nullopt : parseByteCount(text);
            if (!byte || *byte > 0xFF) {
                return "'" + text +
                       "' is not a byte: 0x00 to 0xFF, in decimal, 0x hexadecimal or "
                       "0-prefixed octal, without K or M";
            }
            text = std::to_string(*byte);
            return {};
        },
        "");
}

CLI::Option* addQuietFlag(CLI::App& command, bool& quiet) {
    return command.add_flag("-q,--quiet", quiet, "print nothing on success");
}

} // namespace zd::cli
