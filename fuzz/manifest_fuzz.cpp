// The manifest reader on any bytes: it does not crash; whatever it accepts
// has every row inside the image it describes (so inside 4 GiB) and comes
// back the same through the writer and the reader again.

#include "core/firmware/manifest.h"
#include "fuzz/fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const zd::ManifestReadResult read = zd::parseManifest(text);
    if (read.status != zd::ManifestReadResult::Status::Ok) {
        ZD_FUZZ_CHECK(!read.reason.empty());
        return 0;
    }
    const zd::Manifest& manifest = read.manifest;
    ZD_FUZZ_CHECK(manifest.imageSize <= (std::uint64_t{1} << 32));
    for (const zd::ManifestRow& row : manifest.rows) {
        ZD_FUZZ_CHECK(std::uint64_t{row.address} + row.size <= manifest.imageSize);
    }
    const zd::ManifestReadResult again = zd::parseManifest(zd::manifestText(manifest));
    ZD_FUZZ_CHECK(again.status == zd::ManifestReadResult::Status::Ok);
    ZD_FUZZ_CHECK(again.manifest.rows.size() == manifest.rows.size());
    ZD_FUZZ_CHECK(again.manifest.imageSize == manifest.imageSize &&
                  again.manifest.imageCrc == manifest.imageCrc &&
                  again.manifest.frontOffset == manifest.frontOffset);
    for (std::size_t i = 0; i < manifest.rows.size(); ++i) {
        ZD_FUZZ_CHECK(again.manifest.rows[i].address == manifest.rows[i].address &&
                      again.manifest.rows[i].size == manifest.rows[i].size &&
                      again.manifest.rows[i].crc == manifest.rows[i].crc);
    }
    return 0;
}
