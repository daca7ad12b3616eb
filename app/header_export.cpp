// Export a C header: for the rows and front offset on screen, the header a
// merge writes beside its image with --c-header --c-table, and nothing else.
// The file info table option changes nothing in it: the table lies inside
// the front area, ahead of every file.
#include "app/handlers.h"
#include "app/merge_report.h"
#include "app/messages.h"
#include "core/files/output_set.h"
#include "core/firmware/firmware.h"
#include "core/image/crc32.h"

namespace zd::app {
namespace {

// The piece each file is read in while its CRC-32 is taken.
constexpr std::size_t kPiece = std::size_t{1} << 20;

MergeResult failed(MergeStatus status, const std::string& path) {
    MergeResult result;
    result.status = status;
    result.path = path;
    return result;
}

// Every row's CRC-32, read from its file as the merge would copy it: the
// same files, whole, of their listed sizes. The progress may stop it.
MergeResult sumRows(const EntryList& list, Port& port, std::vector<std::uint32_t>& crcs) {
    std::uint64_t total = 0;
    for (const Entry& entry : list.entries()) {
        total += entry.size;
    }
    std::vector<unsigned char> buffer(kPiece);
    std::uint64_t done = 0;
    for (const Entry& entry : list.entries()) {
        files::Input input;
        if (input.open(entry.path)) {
            return failed(MergeStatus::InputUnreadable, entry.path);
        }
        Crc32 crc;
        std::uint64_t length = 0;
        for (std::size_t got = 1; got != 0; length += got) {
            if (!port.reportProgress(std::min(done + length, total), total)) {
                return failed(MergeStatus::Stopped, {});
            }
            if (input.read(buffer.data(), buffer.size(), got)) {
                return failed(MergeStatus::InputUnreadable, entry.path);
            }
            crc.update(buffer.data(), got);
        }
        // Sizes were checked on the open files: what reads otherwise (files
        // of /proc or /sys) has no length the image could hold.
        if (length != entry.size) {
            return failed(MergeStatus::InputSizeUnknown, entry.path);
        }
        done += length;
        crcs.push_back(crc.value());
    }
    return {};
}

MergeResult outputFailed(const files::OutputError& error) {
    return failed(error.folderAtFault ? MergeStatus::FolderNotWritable
                                      : MergeStatus::CompanionFailed,
                  error.path);
}

// The header's companion written alone, put in place whole or not at all.
// It reads of the image only its size and its rows' CRCs; the image itself
// is never written, so its own CRC and whether it holds the table stay unset.
MergeResult writeHeader(const Companion& header, std::uint64_t imageSize,
                        std::vector<std::uint32_t> crcs) {
    files::OutputSet set;
    files::OutputFile* out = nullptr;
    if (const files::OutputError error = set.add(header.path, out)) {
        return outputFailed(error);
    }
    if (header.write(*out, MergedImage{*out, imageSize, false, std::move(crcs), 0})) {
        return failed(MergeStatus::CompanionFailed, header.path);
    }
    if (const files::OutputError error = set.commit()) {
        return outputFailed(error);
    }
    return {};
}

MergeResult exportTo(Context c, const std::string& path) {
    const EntryList& list = c.state.list;
    const FirmwareSettings settings{.cHeader = path, .cTable = true};
    const MergeOptions merge = firmwareMergeOptions(settings, list, {});
    // The checks of a merge that would write this header: the layout, the
    // header against the inputs, each input there and of its listed size.
    if (MergeResult checked = checkMerge(list, {}, merge); !checked.ok()) {
        return checked;
    }
    std::vector<std::uint32_t> crcs;
    {
        const ProgressScope progress(c.port);
        if (MergeResult summed = sumRows(list, c.port, crcs); !summed.ok()) {
            return summed;
        }
    }
    return writeHeader(merge.companions.front(), paddedSize(list, 0), std::move(crcs));
}

} // namespace

void exportHeader(Context c) {
    if (c.state.list.empty()) {
        c.port.showMessage(text::kNothingToExport, text::kNotice, Icon::Warning, Buttons::Ok);
        return;
    }
    const std::string& image = c.state.lastImage;
    const std::string proposed =
        image.empty() ? "" : image.substr(0, image.size() - 4) + text::kHeaderSuffix;
    const std::optional<std::string> chosen =
        c.port.chooseFileToSave({text::kExportHeaderTitle,
                                 {text::headerFilter(), text::allFilesFilter()},
                                 false,
                                 proposed});
    if (!chosen) {
        return;
    }
    const MergeResult result = exportTo(c, *chosen);
    if (result.ok()) {
        c.port.showMessage(text::headerExported(*chosen), text::kNotice, Icon::Information,
                           Buttons::Ok);
    } else if (result.status == MergeStatus::Stopped) {
        c.port.showMessage(text::kExportStopped, text::kNotice, Icon::Information, Buttons::Ok);
    } else {
        const MergeReport report = mergeReport(result, {}, false);
        c.port.showMessage(report.text, text::kNotice, report.icon, Buttons::Ok);
    }
}

} // namespace zd::app
