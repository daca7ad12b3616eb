// inspect: the file info table at the start of an image, row by row, with
// each row's CRC-32.
#include "cli/cli.h"
#include "cli/command.h"
#include "cli/wording.h"
#include "core/check/check.h"
#include "core/image/crc32.h"

#include <memory>

namespace zd::cli {
namespace {

struct InspectOptions {
    std::string image;
};

int runInspect(const InspectOptions& options, const Context& context) {
    bool headed = false;
    const check::InspectResult result = check::inspectImage(
        options.image,
        [&](const check::TableRow& row) {
            if (!headed) {
                context.out << "No.\tAddress\tSize\tCRC-32\n";
                headed = true;
            }
            context.out << row.number << '\t' << row.address << '\t' << row.size << '\t'
                        << crc32Text(row.crc) << '\n';
        },
        context.keepGoing());
    switch (result.status) {
    case check::InspectResult::Status::Ok:
        context.out << "Image size: " << result.imageSize << " bytes\n";
        return kSuccess;
    case check::InspectResult::Status::FrontAreaDamaged:
        context.out << "Image size: " << result.imageSize << " bytes\n";
        context.fail(options.image, frontAreaDamagedText(result.damagedAt));
        return kFailure;
    case check::InspectResult::Status::NoTable:
        context.fail(options.image, "no file info table found at its start");
        return kFailure;
    case check::InspectResult::Status::ImageTooShort:
        context.fail(options.image, tableCutShortText(result.imageSize, result.tableEnd));
        return kFailure;
    case check::InspectResult::Status::ImageUnreadable:
        context.fail(options.image, imageUnreadableText(result.error));
        return kFailure;
    case check::InspectResult::Status::Stopped:
        context.fail(options.image, "inspect stopped");
        return kFailure;
    }
    return kFailure;
}

} // namespace

Runner setUpInspect(CLI::App& command) {
    auto options = std::make_shared<InspectOptions>();
    command.add_option("IMAGE", options->image, "the image (.bin) or a dump of the flash")
        ->type_name("")
        ->required();
    command.footer("Prints the file info table's rows tab-separated (No., Address, Size,\n"
                   "CRC-32 of the row's bytes), then the image size. A table is found when\n"
                   "its records name rows that overlap none, before the lowest of which\n"
                   "the front area holds every record and one filler byte, whichever\n"
                   "--fill gave, fills the rest. Rows are shown in the table's order,\n"
                   "which need not be the address order (a merge that kept a layout).\n"
                   "Exit status 1 when there is none, or when the image is shorter than\n"
                   "the table says.\n\n" +
                   command.get_footer());
    return [options](const Context& context) { return runInspect(*options, context); };
}

} // namespace zd::cli
