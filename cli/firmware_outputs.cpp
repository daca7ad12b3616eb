#include "cli/firmware_outputs.h"

#include "core/firmware/c_header.h"
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
    addOutputOption(merge, "--c-header", options.request.cHeader.path,
                    "also write a C header (C99 and C++) defining every\n"
                    "file's <PREFIX><NAME>_ADDR, _SIZE and _CRC32 (zlib's),\n"
                    "the image size, the front offset and the file count");
    merge.add_flag("--c-table", options.request.cHeader.table,
                   "the header also holds a table for firmware to check\n"
                   "its files at boot: zd_files[ZD_FILE_COUNT] of struct\n"
                   "zd_file {address, size, crc32} (after --prefix)");
    merge
        .add_option("--prefix", options.request.cHeader.prefix,
                    "the header's macro prefix (default ZD_): an ASCII\n"
                    "letter, then letters, digits and _, no __")
        ->type_name("NAME")
        ->check(kPrefix)
        ->each([&options](const std::string&) { options.prefixGiven = true; })
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    addOutputOption(merge, "--manifest", options.request.manifest,
                    "also write a JSON manifest: the front offset, the\n"
                    "table, the image size and CRC-32, and every file's\n"
                    "No., path, name, size, address and CRC-32 (zlib's)");
    addByteSizeOption(merge, "--flash-size", options.request.flashSize,
                      "the flash's size (as -f takes it, at most 4 GiB):\n"
                      "a larger image is refused, nothing is written",
                      flashSizeProblem);
    merge.add_flag("--pad", options.request.pad,
                   "fill the image with the --fill byte (0xFF unless\n"
                   "given) up to --flash-size");
    addOutputOption(merge, "--ihex", options.request.ihex,
                    "also write the image as Intel HEX (records 00, 04\n"
                    "and 01), placed at --base");
    addOutputOption(merge, "--srec", options.request.srec,
                    "also write the image as Motorola S-records (S0, S3\n"
                    "and S7), placed at --base. Both leave out every\n"
                    "record whose bytes are all 0xFF (HEX: 16 bytes,\n"
                    "S-records: 32, aligned): the front area's filler,\n"
                    "the padding, and such runs inside files, which an\n"
                    "erased flash holds already");
    addOutputOption(merge, "--flashrom-layout", options.request.flashromLayout,
                    "also write flashrom's layout file: a line\n"
                    "'start:end NAME' (hexadecimal, end included) for\n"
                    "the front area, FRONT, and every file, named as\n"
                    "the C header names it (logo.bin: LOGO_BIN, at\n"
                    "most 31 characters), placed at --base; then\n"
                    "flashrom -l FILE -i LOGO_BIN:logo.bin writes one");
    addOutputOption(merge, "--fmap", options.request.fmap,
                    "also write the same regions as an FMAP 1.1\n"
                    "structure, as flashrom --fmap-file reads it");
    addOutputOption(merge, "--map", options.request.layoutMap,
                    "also draw the layout as an SVG picture: the flash\n"
                    "as a bar to the image's end or --flash-size, the\n"
                    "front area, each file, gaps and free space, and a\n"
                    "table of every file");
    addByteCountOption(merge, "--base", options.request.base,
                       "the address of the image's first byte in --ihex,\n"
                       "--srec, --flashrom-layout and --fmap (default 0)")
        ->type_name("ADDR")
        ->each([&options](const std::string&) { options.baseGiven = true; });
    addOutputOption(merge, "--depfile", options.request.depfile,
                    "also write a dependency file, as compilers write\n"
                    "with -MD, for Make and Ninja: the outputs, then\n"
                    "every file, list file, folder and @FILE read");
    merge.add_flag("--relative", options.request.relative,
                   "name the files in the list file relative to its\n"
                   "folder, so both can move together (files on\n"
                   "another drive or top folder keep full paths)");
}

std::optional<std::string> firmwareUsageProblem(const FirmwareOptions& options) {
    if (options.prefixGiven && options.request.cHeader.path.empty()) {
        return "--prefix needs --c-header";
    }
    if (options.request.cHeader.table && options.request.cHeader.path.empty()) {
        return "--c-table needs --c-header";
    }
    if (options.request.pad && !options.request.flashSize) {
        return "--pad needs --flash-size";
    }
    const MergeRequest& request = options.request;
    if (options.baseGiven && request.ihex.empty() && request.srec.empty() &&
        request.flashromLayout.empty() && request.fmap.empty()) {
        return "--base needs --ihex, --srec, --flashrom-layout or --fmap";
    }
    return std::nullopt;
}

} // namespace zd::cli
