// The image readers on any bytes, written to a file as an image: inspect
// does not crash, a table it finds obeys the rule (its rows told in the
// table's order, none overlapping another, room to spare in the front area
// before the lowest), a short image is short; and verify, given the rows
// and CRCs inspect found as a manifest would give them, agrees that every
// row matches (or, where inspect found the filler after the table damaged,
// names the same byte). An input that starts
// with "{" is a list file up to its first zero byte and the image after
// it: verify reads the list and checks the image against it without
// crashing, naming only rows the list has.

#include "core/check/check.h"
#include "core/image/info_table.h"
#include "fuzz/fuzz_check.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

std::string scratch(const char* name) {
    return (std::filesystem::temp_directory_path() /
            ("zd-image-fuzz-" + std::to_string(::getpid()) + name))
        .string();
}

void write(const std::string& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void inspectAgreesWithVerify(const std::string& image, std::uint64_t size) {
    zd::check::CheckLayout layout;
    layout.byCrc = true;
    std::vector<zd::check::Range> ranges;
    const zd::check::InspectResult inspected =
        zd::check::inspectImage(image, [&](const zd::check::TableRow& row) {
            ZD_FUZZ_CHECK(row.number == layout.rows.size() + 1);
            layout.rows.push_back({"", row.address, row.size, row.crc});
            ranges.push_back({row.address, row.size});
        });
    ZD_FUZZ_CHECK(inspected.status != zd::check::InspectResult::Status::ImageUnreadable);
    ZD_FUZZ_CHECK(inspected.imageSize == size);
    if (inspected.status == zd::check::InspectResult::Status::ImageTooShort) {
        ZD_FUZZ_CHECK(inspected.tableEnd > size && layout.rows.empty());
    }
    const bool damaged = inspected.status == zd::check::InspectResult::Status::FrontAreaDamaged;
    if (inspected.status != zd::check::InspectResult::Status::Ok && !damaged) {
        ZD_FUZZ_CHECK(layout.rows.empty());
        return;
    }
    ZD_FUZZ_CHECK(layout.rows.size() == inspected.rowCount && !layout.rows.empty());
    ZD_FUZZ_CHECK(!zd::check::firstOverlap(ranges));
    ZD_FUZZ_CHECK(std::ranges::min(ranges, {}, &zd::check::Range::begin).begin ==
                  inspected.frontOffset);
    ZD_FUZZ_CHECK(zd::infoTableFits(inspected.frontOffset, inspected.rowCount));
    layout.frontOffset = inspected.frontOffset;
    layout.tableKnown = true;
    layout.tableWritten = true;
    const zd::check::VerifyResult verified = zd::check::verifyImage(image, layout);
    if (damaged) {
        // Filler that differs after the table: verify names the same byte.
        ZD_FUZZ_CHECK(!verified.ok() && verified.frontAreaDamagedAt == inspected.damagedAt);
        return;
    }
    ZD_FUZZ_CHECK(verified.ok());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string image = scratch(".bin");
    static const std::string list = scratch(".h");
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (!bytes.starts_with('{')) {
        write(image, bytes);
        inspectAgreesWithVerify(image, size);
        return 0;
    }
    const std::size_t cut = std::min(bytes.find('\0'), bytes.size());
    write(list, bytes.substr(0, cut));
    bytes.remove_prefix(std::min(cut + 1, bytes.size()));
    write(image, bytes);
    const zd::check::VerifyResult verified = zd::check::verifyAgainstList(image, list);
    ZD_FUZZ_CHECK(verified.status != zd::check::VerifyResult::Status::ImageUnreadable);
    ZD_FUZZ_CHECK(verified.status != zd::check::VerifyResult::Status::LayoutUnreadable ||
                  !verified.reason.empty() || verified.error);
    for (const zd::check::RowFinding& row : verified.rows) {
        ZD_FUZZ_CHECK(row.number >= 1 && std::uint64_t{row.address} + row.size <= (1ull << 33));
    }
    return 0;
}
