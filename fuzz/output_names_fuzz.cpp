// The output-name rule on any path: no crash, and the two paths it gives
// always belong together: the image ends in ".bin", the list in ".h", both
// share one stem, the stem lies in the save folder, and the stem is the path
// itself or the path cut at its name's last ".".

#include "core/model/output_names.h"
#include "fuzz/fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

bool endsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view path(reinterpret_cast<const char*>(data), size);
    const auto paths = zd::outputPathsFor(path);
    if (!paths) {
        // Only a path without a file name is refused.
        ZD_FUZZ_CHECK(path.empty() || path.back() == '/');
        return 0;
    }
    ZD_FUZZ_CHECK(endsWith(paths->imagePath, ".bin"));
    ZD_FUZZ_CHECK(endsWith(paths->listPath, ".h"));
    const std::string_view stem =
        std::string_view(paths->imagePath).substr(0, paths->imagePath.size() - 4);
    ZD_FUZZ_CHECK(std::string_view(paths->listPath).substr(0, paths->listPath.size() - 2) == stem);

    const std::string& folder = paths->saveFolder;
    ZD_FUZZ_CHECK(folder.empty() || folder.back() == '/');
    ZD_FUZZ_CHECK(path.substr(0, folder.size()) == folder);
    ZD_FUZZ_CHECK(stem.substr(0, folder.size()) == folder);
    const std::string_view name = path.substr(folder.size());
    const std::string_view stemName = stem.substr(folder.size());
    ZD_FUZZ_CHECK(!name.empty() && name.find('/') == std::string_view::npos);

    const bool marked = name.find(".bin") != std::string_view::npos ||
                        name.find(".BIN") != std::string_view::npos ||
                        name.find(".h") != std::string_view::npos ||
                        name.find(".H") != std::string_view::npos;
    ZD_FUZZ_CHECK(stemName == (marked ? name.substr(0, name.rfind('.')) : name));
    return 0;
}
