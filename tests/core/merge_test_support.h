// Lists of real files for merge tests, and the bytes an image must hold.
#pragma once

#include "entry_list.h"
#include "image_writer.h"
#include "output_names.h"
#include "test_files.h"

#include <string>
#include <vector>

namespace zd::test {

// A list at `frontOffset` holding `paths` with their present lengths.
inline EntryList listOfFiles(std::uint32_t frontOffset, const std::vector<std::string>& paths) {
    EntryList list;
    list.setFrontOffset(frontOffset);
    list.recomputeLayout();
    for (const std::string& path : paths) {
        list.appendEntry(path, static_cast<std::uint32_t>(fileSize(path)), dataFormatOf(path));
    }
    return list;
}

// `count` bytes of 0xFF.
inline std::string filler(std::size_t count) { return std::string(count, '\xFF'); }

inline std::string littleEndian(std::uint32_t value) {
    std::string bytes;
    for (int shift = 0; shift < 32; shift += 8) {
        bytes += static_cast<char>((value >> shift) & 0xFFu);
    }
    return bytes;
}

inline OutputPaths outputsIn(const TempDir& dir, const std::string& name) {
    return *outputPathsFor(dir / name);
}

} // namespace zd::test
