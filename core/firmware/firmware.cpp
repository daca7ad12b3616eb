#include "core/firmware/firmware.h"

#include "core/files/file_layer.h"
#include "core/files/output_set.h"
#include "core/firmware/depfile.h"
#include "core/firmware/hex_formats.h"
#include "core/firmware/manifest.h"
#include "core/model/listed_names.h"

namespace zd {
namespace {

Companion headerCompanion(const FirmwareSettings& settings, const EntryList& list,
                          const std::string& listFolder) {
    return {settings.cHeader, [&list, prefix = settings.prefix, table = settings.cTable,
                               listFolder](files::OutputFile& out, const MergedImage& image) {
                return out.write(
                    cHeaderText(list, {prefix, image.size, listFolder, table, image.rowCrcs}));
            }};
}

Companion manifestCompanion(const FirmwareSettings& settings, const EntryList& list,
                            const std::string& listFolder) {
    return {settings.manifest,
            [&list, listFolder, fill = settings.fill](files::OutputFile& out, const MergedImage& image) {
                Manifest manifest{.frontOffset = list.frontOffset(),
                                  .infoTable = image.infoTableWritten,
                                  .imageSize = image.size,
                                  .imageCrc = image.crc,
                                  .rows = {},
                                  .align = list.alignment(),
                                  .fill = fill};
                for (std::size_t row = 0; row < list.entries().size(); ++row) {
                    const Entry& entry = list.entries()[row];
                    manifest.rows.push_back(
                        {listFolder.empty() ? entry.path : relativeName(entry.path, listFolder),
                         entry.size, entry.address, image.rowCrcs[row]});
                }
                return out.write(manifestText(manifest));
            }};
}

// HEX or S-records, written from the image's bytes as the merge writes them.
Companion hexCompanion(const std::string& path, HexFormat format, std::uint32_t base) {
    return {path, {}, [format, base](files::OutputFile& out) -> std::unique_ptr<ImageStream> {
                return std::make_unique<HexWriter>(
                    format, HexSettings{base, true},
                    [&out](std::string_view text) { return out.write(text); });
            }};
}

// Names every output made before it, then the rows' files and what else
// the merge read.
Companion depfileCompanion(const FirmwareSettings& settings, const EntryList& list,
                           const OutputPaths& paths, const std::vector<Companion>& companions) {
    std::vector<std::string> outputs{paths.imagePath, paths.listPath};
    for (const Companion& companion : companions) {
        outputs.push_back(companion.path);
    }
    return {settings.depfile,
            [&list, outputs, alsoRead = settings.alsoRead](files::OutputFile& out, const MergedImage&) {
                std::vector<std::string> inputs;
                for (const Entry& entry : list.entries()) {
                    inputs.push_back(entry.path);
                }
                inputs.insert(inputs.end(), alsoRead.begin(), alsoRead.end());
                return out.write(depfileText(outputs, inputs));
            }};
}

} // namespace

FirmwareFit checkFirmwareFit(const FirmwareSettings& settings, const EntryList& list) {
    FirmwareFit fit;
    fit.imageSize = paddedSize(list, settings.pad ? settings.flashSize : 0);
    if (settings.flashSize && fit.imageSize > settings.flashSize) {
        fit.fault = FirmwareFault::LargerThanFlash;
    } else if ((!settings.ihex.empty() || !settings.srec.empty()) &&
               !fitsAddressSpace(settings.base, fit.imageSize)) {
        fit.fault = FirmwareFault::PastAddressSpace;
    }
    return fit;
}

MergeOptions firmwareMergeOptions(const FirmwareSettings& settings, const EntryList& list,
                                  const OutputPaths& paths) {
    MergeOptions merge;
    merge.padTo = settings.pad ? settings.flashSize : 0;
    merge.fill = settings.fill;
    // The header and the manifest both name every file's CRC-32.
    merge.checksums = !settings.manifest.empty() || !settings.cHeader.empty();
    if (settings.relative) {
        merge.listFolder = folderPartOf(files::absolutePath(paths.listPath));
    }
    if (!settings.cHeader.empty()) {
        merge.companions.push_back(headerCompanion(settings, list, merge.listFolder));
    }
    if (!settings.manifest.empty()) {
        merge.companions.push_back(manifestCompanion(settings, list, merge.listFolder));
    }
    if (!settings.ihex.empty()) {
        merge.companions.push_back(hexCompanion(settings.ihex, HexFormat::IntelHex, settings.base));
    }
    if (!settings.srec.empty()) {
        merge.companions.push_back(hexCompanion(settings.srec, HexFormat::SRecord, settings.base));
    }
    if (!settings.depfile.empty()) {
        merge.companions.push_back(depfileCompanion(settings, list, paths, merge.companions));
    }
    return merge;
}

} // namespace zd
