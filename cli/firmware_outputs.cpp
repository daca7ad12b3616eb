#include "cli/firmware_outputs.h"

#include "core/files/file_layer.h"
#include "core/files/output_set.h"
#include "core/firmware/flash_size.h"
#include "core/firmware/hex_formats.h"
#include "core/firmware/manifest.h"
#include "core/model/listed_names.h"
#include "core/model/number_parse.h"

#include <cstdio>
#include <vector>

namespace zd::cli {
namespace {

// A path option that may not be empty.
const CLI::Validator kFileName(
    [](const std::string& text) -> std::string {
        return text.empty() ? "an empty name names no file" : "";
    },
    "");

const CLI::Validator kPrefix(
    [](const std::string& text) -> std::string {
        const auto problem = prefixProblem(text);
        return problem ? "'" + text + "': " + *problem : "";
    },
    "");

// The flash size: a byte count of at least 1 byte and at most 4 GiB.
const CLI::Validator kFlashSize(
    [](std::string& text) -> std::string {
        const auto size = parseByteCount(text);
        if (!size) {
            return "'" + text +
                   "' is not a byte count: decimal, 0x hexadecimal or 0-prefixed octal, "
                   "optionally followed by K or M";
        }
        if (const auto problem = flashSizeProblem(*size)) {
            return "'" + text + "': " + *problem;
        }
        text = std::to_string(*size);
        return {};
    },
    "");

CLI::Option* addPathOption(CLI::App& merge, const std::string& name, std::string& value,
                           const std::string& description) {
    return merge.add_option(name, value, description)
        ->type_name("PATH")
        ->check(kFileName)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
}

std::uint64_t layoutEnd(const EntryList& list) {
    std::uint64_t end = list.frontOffset();
    for (const Entry& entry : list.entries()) {
        end += entry.size;
    }
    return end;
}

std::uint64_t imageSize(const FirmwareOptions& options, const EntryList& list) {
    const std::uint64_t end = layoutEnd(list);
    return options.pad && options.flashSize > end ? options.flashSize : end;
}

std::string bytes(std::uint64_t count) {
    return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

std::string hex32(std::uint64_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08llX", static_cast<unsigned long long>(value));
    return text;
}

// The image as HEX or S-records, read back from its temporary.
std::error_code writeHex(OutputFile& out, const MergedImage& image, HexFormat format,
                         std::uint32_t base) {
    files::Input input;
    if (auto error = input.open(image.file.temporary())) {
        return error;
    }
    HexWriter writer(format, {base, true},
                     [&out](std::string_view text) { return out.write(text); });
    std::vector<unsigned char> buffer(1 << 20);
    for (;;) {
        std::size_t got = 0;
        if (auto error = input.read(buffer.data(), buffer.size(), got)) {
            return error;
        }
        if (got == 0) {
            break;
        }
        if (auto error = writer.write(buffer.data(), got)) {
            return error;
        }
    }
    return writer.finish();
}

} // namespace

void addFirmwareOptions(CLI::App& merge, FirmwareOptions& options) {
    addPathOption(merge, "--c-header", options.cHeader,
                  "also write a C header (C99 and C++) defining every\n"
                  "file's <PREFIX><NAME>_ADDR and _SIZE, the image\n"
                  "size, the front offset and the file count");
    merge
        .add_option("--prefix", options.prefix,
                    "the header's macro prefix (default ZD_): an ASCII\n"
                    "letter, then letters, digits and _, no __")
        ->type_name("NAME")
        ->check(kPrefix)
        ->each([&options](const std::string&) { options.prefixGiven = true; })
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    addPathOption(merge, "--manifest", options.manifest,
                  "also write a JSON manifest: the front offset, the\n"
                  "table, the image size and CRC-32, and every file's\n"
                  "No., path, name, size, address and CRC-32 (zlib's)");
    merge
        .add_option("--flash-size", options.flashSize,
                    "the flash's size (as -f takes it, at most 4 GiB):\n"
                    "a larger image is refused, nothing is written")
        ->type_name("SIZE")
        ->transform(kFlashSize)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    merge.add_flag("--pad", options.pad, "fill the image with 0xFF up to --flash-size");
    addPathOption(merge, "--ihex", options.ihex,
                  "also write the image as Intel HEX (records 00, 04\n"
                  "and 01), placed at --base");
    addPathOption(merge, "--srec", options.srec,
                  "also write the image as Motorola S-records (S0, S3\n"
                  "and S7), placed at --base. Both leave out every\n"
                  "record whose bytes are all 0xFF (HEX: 16 bytes,\n"
                  "S-records: 32, aligned): the front area's filler,\n"
                  "the padding, and such runs inside files, which an\n"
                  "erased flash holds already");
    addByteCountOption(merge, "--base", options.base,
                       "the address of the image's first byte in --ihex\n"
                       "and --srec (default 0)")
        ->type_name("ADDR")
        ->each([&options](const std::string&) { options.baseGiven = true; });
    merge.add_flag("--relative", options.relative,
                   "name the files in the list file relative to its\n"
                   "folder, so both can move together (files on\n"
                   "another drive or top folder keep full paths)");
}

std::optional<std::string> firmwareUsageProblem(const FirmwareOptions& options) {
    if (options.prefixGiven && options.cHeader.empty()) {
        return "--prefix needs --c-header";
    }
    if (options.pad && !options.flashSize) {
        return "--pad needs --flash-size";
    }
    if (options.baseGiven && options.ihex.empty() && options.srec.empty()) {
        return "--base needs --ihex or --srec";
    }
    return std::nullopt;
}

bool checkFirmwareFit(const FirmwareOptions& options, const EntryList& list,
                      const std::string& imagePath, const Context& context) {
    const std::string subject = imagePath.empty() ? "the image" : imagePath;
    const std::uint64_t end = layoutEnd(list);
    if (options.flashSize) {
        const FlashFit fit = fitToFlash(end, options.flashSize);
        if (!fit.fits) {
            context.fail(subject, "would be " + bytes(end) + ", " + bytes(fit.overBy) +
                                      " over the flash size (" + bytes(options.flashSize) +
                                      "); nothing was written");
            return false;
        }
    }
    const std::uint64_t size = imageSize(options, list);
    if ((!options.ihex.empty() || !options.srec.empty()) && !fitsAddressSpace(options.base, size)) {
        context.fail(subject, "placed at " + hex32(options.base) + ", its " + bytes(size) +
                                  " would reach past 4 GiB, beyond the addresses of "
                                  "Intel HEX and S-records; nothing was written");
        return false;
    }
    return true;
}

MergeOptions firmwareMergeOptions(const FirmwareOptions& options, const EntryList& list,
                                  const OutputPaths& paths) {
    MergeOptions merge;
    merge.padTo = options.pad ? options.flashSize : 0;
    merge.checksums = !options.manifest.empty();
    if (options.relative) {
        merge.listFolder = folderPartOf(files::absolutePath(paths.listPath));
    }
    const std::string listFolder = merge.listFolder;
    if (!options.cHeader.empty()) {
        const std::string prefix = options.prefix;
        merge.companions.push_back(
            {options.cHeader,
             [&list, prefix, listFolder](OutputFile& out, const MergedImage& image) {
                 return out.write(cHeaderText(list, {prefix, image.size, listFolder}));
             }});
    }
    if (!options.manifest.empty()) {
        merge.companions.push_back(
            {options.manifest, [&list, listFolder](OutputFile& out, const MergedImage& image) {
                 Manifest manifest{
                     list.frontOffset(), image.infoTableWritten, image.size, image.crc, {}};
                 for (std::size_t row = 0; row < list.entries().size(); ++row) {
                     const Entry& entry = list.entries()[row];
                     manifest.rows.push_back(
                         {listFolder.empty() ? entry.path : relativeName(entry.path, listFolder),
                          entry.size, entry.address, image.rowCrcs[row]});
                 }
                 return out.write(manifestText(manifest));
             }});
    }
    const std::uint32_t base = options.base;
    if (!options.ihex.empty()) {
        merge.companions.push_back(
            {options.ihex, [base](OutputFile& out, const MergedImage& image) {
                 return writeHex(out, image, HexFormat::IntelHex, base);
             }});
    }
    if (!options.srec.empty()) {
        merge.companions.push_back(
            {options.srec, [base](OutputFile& out, const MergedImage& image) {
                 return writeHex(out, image, HexFormat::SRecord, base);
             }});
    }
    return merge;
}

} // namespace zd::cli
