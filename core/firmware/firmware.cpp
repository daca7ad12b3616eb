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
                               listFolder](OutputFile& out, const MergedImage& image) {
                return out.write(
                    cHeaderText(list, {prefix, image.size, listFolder, table, image.rowCrcs}));
            }};
}

Companion manifestCompanion(const FirmwareSettings& settings, const EntryList& list,
                            const std::string& listFolder) {
    return {settings.manifest,
            [&list, listFolder, fill = settings.fill](OutputFile& out, const MergedImage& image) {
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
    return {path, {}, [format, base](OutputFile& out) -> std::unique_ptr<ImageStream> {
                return std::make_unique<HexWriter>(
                    format, HexSettings{base, true},
                    [&out](std::string_view text) { return out.write(text); });
            }};
}

struct RuleNames {
    std::vector<std::string> outputs; // the image first
    std::vector<std::string> inputs;
};

// What the dependency file names: every output made before it, then the
// rows' files and what else the merge read.
RuleNames depfileNames(const FirmwareSettings& settings, const EntryList& list,
                       const OutputPaths& paths) {
    RuleNames names{{paths.imagePath, paths.listPath}, {}};
    for (const std::string& path :
         {settings.cHeader, settings.manifest, settings.ihex, settings.srec}) {
        if (!path.empty()) {
            names.outputs.push_back(path);
        }
    }
    for (const Entry& entry : list.entries()) {
        names.inputs.push_back(entry.path);
    }
    names.inputs.insert(names.inputs.end(), settings.alsoRead.begin(), settings.alsoRead.end());
    return names;
}

Companion depfileCompanion(const FirmwareSettings& settings, const EntryList& list,
                           const OutputPaths& paths) {
    return {settings.depfile, [&list, settings, paths](OutputFile& out, const MergedImage&) {
                const RuleNames names = depfileNames(settings, list, paths);
                return out.write(depfileText(names.outputs, names.inputs));
            }};
}

} // namespace

FirmwareFit checkFirmwareFit(const FirmwareSettings& settings, const EntryList& list,
                             const OutputPaths& paths) {
    FirmwareFit fit;
    fit.imageSize = paddedSize(list, settings.pad ? settings.flashSize : 0);
    if (settings.flashSize && fit.imageSize > settings.flashSize) {
        fit.fault = FirmwareFault::LargerThanFlash;
    } else if ((!settings.ihex.empty() || !settings.srec.empty()) &&
               !fitsAddressSpace(settings.base, fit.imageSize)) {
        fit.fault = FirmwareFault::PastAddressSpace;
    } else if (!settings.depfile.empty()) {
        const RuleNames names = depfileNames(settings, list, paths);
        for (const auto* group : {&names.outputs, &names.inputs}) {
            for (const std::string& name : *group) {
                if (auto reason = depfileNameProblem(name)) {
                    fit.fault = FirmwareFault::DepfileCannotName;
                    fit.name = name;
                    fit.reason = std::move(*reason);
                    return fit;
                }
            }
        }
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
        merge.companions.push_back(depfileCompanion(settings, list, paths));
    }
    return merge;
}

} // namespace zd
