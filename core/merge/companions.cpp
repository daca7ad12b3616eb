#include "core/merge/companions.h"

#include "core/files/file_layer.h"
#include "core/files/output_set.h"
#include "core/firmware/depfile.h"
#include "core/firmware/flashrom_layout.h"
#include "core/firmware/fmap.h"
#include "core/firmware/hex_formats.h"
#include "core/firmware/layout_map.h"
#include "core/firmware/manifest.h"
#include "core/image/info_table.h"
#include "core/model/listed_names.h"

#include <algorithm>

namespace zd {
namespace {

Companion headerCompanion(const CHeaderOutput& header, const EntryList& list,
                          const std::string& listFolder) {
    return {header.path, [&list, prefix = header.prefix, table = header.table,
                          listFolder](files::OutputFile& out, const MergedImage& image) {
                return out.write(
                    cHeaderText(list, {prefix, image.size, listFolder, table, image.rowCrcs}));
            }};
}

Companion manifestCompanion(const MergeRequest& request, const EntryList& list,
                            const std::string& listFolder) {
    return {request.manifest, [&list, listFolder, fill = request.fill, reserve = request.reserve](
                                  files::OutputFile& out, const MergedImage& image) {
                Manifest manifest{.frontOffset = list.frontOffset(),
                                  .infoTable = image.infoTableWritten,
                                  .imageSize = image.size,
                                  .imageCrc = image.crc,
                                  .rows = {},
                                  .align = list.alignment(),
                                  .fill = fill,
                                  .slots = list.isPlaced(),
                                  .reserve = reserve};
                for (std::size_t row = 0; row < list.entries().size(); ++row) {
                    const Entry& entry = list.entries()[row];
                    manifest.rows.push_back(
                        {listFolder.empty() ? entry.path : relativeName(entry.path, listFolder),
                         entry.size, entry.address, image.rowCrcs[row],
                         list.isPlaced() ? list.slotEnds()[row] : 0});
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

// The front area and the files as regions for flash tools: flashrom's
// layout file, or an FMAP of the flash (its size, or up to the image's end
// when that is further).
Companion regionsCompanion(const std::string& path, bool fmap, const MergeRequest& request,
                           const EntryList& list) {
    return {path, [&list, fmap, base = request.base, flashSize = request.flashSize](
                      files::OutputFile& out, const MergedImage& image) {
                const std::vector<FlashRegion> regions = flashRegions(list, base);
                return out.write(fmap ? fmapBytes(regions, std::max(flashSize, base + image.size))
                                      : flashromLayoutText(regions));
            }};
}

Companion mapCompanion(const MergeRequest& request, const EntryList& list) {
    LayoutMapSettings settings;
    settings.flashSize = request.flashSize;
    settings.infoTable =
        request.infoTable && infoTableFits(list.frontOffset(), list.entries().size());
    settings.base = request.base;
    return {request.layoutMap,
            [&list, settings](files::OutputFile& out, const MergedImage& image) mutable {
                settings.imageSize = image.size;
                return out.write(layoutMapSvg(list, settings));
            }};
}

// Names every output made before it, then the rows' files and what else
// the merge read.
Companion depfileCompanion(const MergeRequest& request, const EntryList& list,
                           const std::vector<Companion>& companions) {
    std::vector<std::string> outputs;
    for (const std::string& path : {request.image.imagePath, request.image.listPath}) {
        if (!path.empty()) {
            outputs.push_back(path);
        }
    }
    for (const Companion& companion : companions) {
        outputs.push_back(companion.path);
    }
    return {request.depfile, [&list, outputs, alsoRead = filesReadBy(request)](
                                 files::OutputFile& out, const MergedImage&) {
                std::vector<std::string> inputs;
                for (const Entry& entry : list.entries()) {
                    inputs.push_back(entry.path);
                }
                inputs.insert(inputs.end(), alsoRead.begin(), alsoRead.end());
                return out.write(depfileText(outputs, inputs));
            }};
}

bool isIntelHexText(std::string_view head) {
    return isHexText(HexFormat::IntelHex, head);
}
bool isSRecordText(std::string_view head) {
    return isHexText(HexFormat::SRecord, head);
}

// Unless anything may be replaced, each companion replaces only an empty
// file or one of its own kind.
void guardEarlierFiles(const MergeRequest& request, std::vector<Companion>& companions) {
    if (request.overwrite) {
        return;
    }
    const std::pair<const std::string&, Companion::KindTest> kinds[] = {
        {request.cHeader.path, isCHeaderText}, {request.manifest, isManifestText},
        {request.ihex, isIntelHexText},        {request.srec, isSRecordText},
        {request.depfile, isDepfileText},      {request.flashromLayout, isFlashromLayoutText},
        {request.fmap, isFmapBytes},           {request.layoutMap, isLayoutMapSvg},
    };
    for (Companion& companion : companions) {
        for (const auto& [path, isOfItsKind] : kinds) {
            if (companion.path == path) {
                companion.replaces = isOfItsKind;
            }
        }
    }
}

} // namespace

std::vector<std::string> filesReadBy(const MergeRequest& request) {
    std::vector<std::string> read = request.alsoRead;
    if (!request.layoutFrom.empty()) {
        read.push_back(request.layoutFrom);
    }
    return read;
}

MergeOptions writerOptions(const MergeRequest& request, const EntryList& layout) {
    MergeOptions merge;
    merge.durable = request.durable;
    merge.padTo = request.pad ? request.flashSize : 0;
    merge.fill = request.fill;
    // The header and the manifest both name every file's CRC-32.
    merge.checksums = !request.manifest.empty() || !request.cHeader.path.empty();
    if (request.relative && !request.image.listPath.empty()) {
        merge.listFolder = folderPartOf(files::absolutePath(request.image.listPath));
    }
    merge.filesRead = filesReadBy(request);
    if (!request.cHeader.path.empty()) {
        merge.companions.push_back(headerCompanion(request.cHeader, layout, merge.listFolder));
    }
    if (!request.manifest.empty()) {
        merge.companions.push_back(manifestCompanion(request, layout, merge.listFolder));
    }
    if (!request.ihex.empty()) {
        merge.companions.push_back(hexCompanion(request.ihex, HexFormat::IntelHex, request.base));
    }
    if (!request.srec.empty()) {
        merge.companions.push_back(hexCompanion(request.srec, HexFormat::SRecord, request.base));
    }
    if (!request.flashromLayout.empty()) {
        merge.companions.push_back(
            regionsCompanion(request.flashromLayout, false, request, layout));
    }
    if (!request.fmap.empty()) {
        merge.companions.push_back(regionsCompanion(request.fmap, true, request, layout));
    }
    if (!request.layoutMap.empty()) {
        merge.companions.push_back(mapCompanion(request, layout));
    }
    if (!request.depfile.empty()) {
        merge.companions.push_back(depfileCompanion(request, layout, merge.companions));
    }
    guardEarlierFiles(request, merge.companions);
    return merge;
}

} // namespace zd
