#include "cli/firmware_outputs.h"

#include "core/firmware/flash_size.h"
#include "core/model/file_names.h"
#include "core/model/number_parse.h"

namespace zd::cli {
namespace {

const CLI::Validator kPrefix(
    [](const std::string& text) -> std::string {
        const auto problem = prefixProblem(text);
        return problem ? "'" + text + "': " + *problem : "";
    },
    "");

} // namespace

void addFirmwareOptions(CLI::App& merge, FirmwareOptions& options) {
    addOutputOption(merge, "--c-header", options.settings.cHeader,
                    "also write a C header (C99 and C++) defining every\n"
                    "file's <PREFIX><NAME>_ADDR, _SIZE and _CRC32 (zlib's),\n"
                    "the image size, the front offset and the file count");
    merge.add_flag("--c-table", options.settings.cTable,
                   "the header also holds a table for firmware to check\n"
                   "its files at boot: zd_files[ZD_FILE_COUNT] of struct\n"
                   "zd_file {address, size, crc32} (after --prefix)");
    merge
        .add_option("--prefix", options.settings.prefix,
                    "the header's macro prefix (default ZD_): an ASCII\n"
                    "letter, then letters, digits and _, no __")
        ->type_name("NAME")
        ->check(kPrefix)
        ->each([&options](const std::string&) { options.prefixGiven = true; })
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    addOutputOption(merge, "--manifest", options.settings.manifest,
                    "also write a JSON manifest: the front offset, the\n"
                    "table, the image size and CRC-32, and every file's\n"
                    "No., path, name, size, address and CRC-32 (zlib's)");
    addByteSizeOption(merge, "--flash-size", options.settings.flashSize,
                      "the flash's size (as -f takes it, at most 4 GiB):\n"
                      "a larger image is refused, nothing is written",
                      flashSizeProblem);
    merge.add_flag("--pad", options.settings.pad, "fill the image with 0xFF up to --flash-size");
    addOutputOption(merge, "--ihex", options.settings.ihex,
                    "also write the image as Intel HEX (records 00, 04\n"
                    "and 01), placed at --base");
    addOutputOption(merge, "--srec", options.settings.srec,
                    "also write the image as Motorola S-records (S0, S3\n"
                    "and S7), placed at --base. Both leave out every\n"
                    "record whose bytes are all 0xFF (HEX: 16 bytes,\n"
                    "S-records: 32, aligned): the front area's filler,\n"
                    "the padding, and such runs inside files, which an\n"
                    "erased flash holds already");
    addByteCountOption(merge, "--base", options.settings.base,
                       "the address of the image's first byte in --ihex\n"
                       "and --srec (default 0)")
        ->type_name("ADDR")
        ->each([&options](const std::string&) { options.baseGiven = true; });
    addOutputOption(merge, "--depfile", options.settings.depfile,
                    "also write a dependency file, as compilers write\n"
                    "with -MD, for Make and Ninja: the outputs, then\n"
                    "every file, list file, folder and @FILE read");
    merge.add_flag("--relative", options.settings.relative,
                   "name the files in the list file relative to its\n"
                   "folder, so both can move together (files on\n"
                   "another drive or top folder keep full paths)");
}

std::optional<std::string> firmwareUsageProblem(const FirmwareOptions& options) {
    if (options.prefixGiven && options.settings.cHeader.empty()) {
        return "--prefix needs --c-header";
    }
    if (options.settings.cTable && options.settings.cHeader.empty()) {
        return "--c-table needs --c-header";
    }
    if (options.settings.pad && !options.settings.flashSize) {
        return "--pad needs --flash-size";
    }
    if (options.baseGiven && options.settings.ihex.empty() && options.settings.srec.empty()) {
        return "--base needs --ihex or --srec";
    }
    return std::nullopt;
}

std::string firmwareFitText(const FirmwareFit& fit, const FirmwareSettings& settings) {
    switch (fit.fault) {
    case FirmwareFault::None:
        break;
    case FirmwareFault::LargerThanFlash:
        return "would be " + bytesText(fit.imageSize) + ", " +
               bytesText(fit.imageSize - settings.flashSize) + " over the flash size (" +
               bytesText(settings.flashSize) + "); nothing was written";
    case FirmwareFault::PastAddressSpace:
        return "placed at " + hex32(settings.base) + ", its " + bytesText(fit.imageSize) +
               " would reach past 4 GiB, beyond the addresses of Intel HEX and S-records; "
               "nothing was written";
    case FirmwareFault::DepfileCannotName:
        return "the dependency file " + printableName(settings.depfile) + " cannot name " +
               printableName(fit.name) + ": " + fit.reason + "; nothing was written";
    }
    return {};
}

} // namespace zd::cli
