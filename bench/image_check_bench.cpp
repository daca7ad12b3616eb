// Verify and inspect on a real image, for their time and (run under
// peak_rss) their memory, which must not grow with the image:
//
//   image_check_bench IMAGE LIST.h RUNS
//
// The image must hold the file info table (merge -i). The manifest is made
// first, beside the image (IMAGE.json), from the listed files and the image.
// Prints "name median_ms min_ms runs" lines, as the other benchmarks do.

#include "bench/bench_timer.h"
#include "core/check/check.h"
#include "core/files/file_layer.h"
#include "core/firmware/manifest.h"
#include "core/image/crc32.h"
#include "core/model/list_file.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "image_check_bench: %s\n", what.c_str());
    std::exit(1);
}

// The CRC-32 and length of a whole file.
std::uint32_t crcOfFile(const std::string& path, std::uint64_t& size) {
    zd::files::Input input;
    if (input.open(path)) {
        fail("cannot open " + path);
    }
    std::vector<char> buffer(1 << 20);
    zd::Crc32 crc;
    size = 0;
    for (std::size_t got = 0; !input.read(buffer.data(), buffer.size(), got) && got > 0;) {
        crc.update(buffer.data(), got);
        size += got;
    }
    return crc.value();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: image_check_bench IMAGE LIST.h RUNS\n");
        return 2;
    }
    const std::string image = argv[1];
    const std::string list = argv[2];
    const std::string manifestPath = image + ".json";
    const int runs = std::max(1, std::atoi(argv[3]));

    const zd::ListReadResult read = zd::readListFile(list);
    if (read.status != zd::ListReadResult::Status::Ok ||
        read.addresses.size() != read.rows.size()) {
        fail("cannot read " + list);
    }
    zd::Manifest manifest;
    manifest.infoTable = true;
    manifest.frontOffset = read.rows.empty() ? 0 : read.addresses.front();
    for (std::size_t i = 0; i < read.rows.size(); ++i) {
        std::uint64_t size = 0;
        const std::uint32_t crc = crcOfFile(read.rows[i].path, size);
        manifest.rows.push_back({read.rows[i].path, read.rows[i].size, read.addresses[i], crc});
    }
    manifest.imageCrc = crcOfFile(image, manifest.imageSize);
    (void)zd::files::remove(manifestPath);
    zd::files::Output out;
    const std::string text = zd::manifestText(manifest);
    if (out.createNew(manifestPath) || out.write(text.data(), text.size()) || out.close()) {
        fail("cannot write " + manifestPath);
    }

    bool ok = true;
    zd::bench::report(
        "verify_list",
        zd::bench::measure(runs, {},
                           [&] { ok = zd::check::verifyAgainstList(image, list).ok() && ok; }),
        runs);
    zd::bench::report(
        "verify_manifest",
        zd::bench::measure(
            runs, {},
            [&] { ok = zd::check::verifyAgainstManifest(image, manifestPath).ok() && ok; }),
        runs);
    zd::bench::report("inspect",
                      zd::bench::measure(runs, {},
                                         [&] {
                                             ok = zd::check::inspectImage(image, {}).status ==
                                                      zd::check::InspectResult::Status::Ok &&
                                                  ok;
                                         }),
                      runs);
    (void)zd::files::remove(manifestPath);
    if (!ok) {
        fail("the image did not check out");
    }
    return 0;
}
