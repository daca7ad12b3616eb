// Scratch folders and files for tests that touch the disk. Paths are UTF-8
// text, as the program keeps them, on every system.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace zd::test {

// A path from UTF-8 text and back; a plain std::string would be taken in
// the system's narrow encoding, which on Windows is not UTF-8.
inline std::filesystem::path pathOf(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
inline std::string textOf(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

// A fresh folder, removed with all it holds when the object goes.
class TempDir {
  public:
    // A name another process took meanwhile is passed over.
    TempDir() {
        std::random_device random;
        do {
            path_ =
                std::filesystem::temp_directory_path() / ("zd-test-" + std::to_string(random()));
        } while (!std::filesystem::create_directory(path_));
    }
    ~TempDir() {
        namespace fs = std::filesystem;
        std::error_code ignored;
#ifdef _WIN32
        // A read-only file would otherwise stay.
        for (fs::recursive_directory_iterator it(path_, ignored), end; it != end;
             it.increment(ignored)) {
            fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, ignored);
        }
#endif
        fs::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const {
        return path_;
    }
    // A path inside the folder; "/" in `name` becomes the system's separator.
    std::string operator/(const std::string& name) const {
        return textOf((path_ / pathOf(name)).make_preferred());
    }

  private:
    std::filesystem::path path_;
};

inline void writeFile(const std::string& path, const std::string& content) {
    std::ofstream(pathOf(path), std::ios::binary | std::ios::trunc) << content;
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(pathOf(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// `size` bytes whose values depend on `seed`, so files differ from each other.
inline std::string patternBytes(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(i * 31 + seed * 7 + (i >> 8));
    }
    return bytes;
}

// The names in a folder, sorted, to see what a failed run left behind.
inline std::vector<std::string> namesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(textOf(entry.path().filename()));
    }
    std::sort(names.begin(), names.end());
    return names;
}
inline std::vector<std::string> namesIn(const std::string& folder) {
    return namesIn(pathOf(folder));
}

// A file of `size` bytes that takes no disk, to reach the 4 GiB limits.
inline void makeSparseFile(const std::string& path, std::uintmax_t size) {
    writeFile(path, "");
    std::filesystem::resize_file(pathOf(path), size);
}

} // namespace zd::test
