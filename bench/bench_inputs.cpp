// Makes the benchmark inputs, the same bytes on every run:
//
//   bench_inputs files FOLDER COUNT MIN_BYTES MAX_BYTES
//       COUNT files named 00000.bin, 00001.bin, ... (so that name order is
//       list order), each of a size drawn from MIN..MAX, filled with
//       pseudo-random bytes.
//   bench_inputs list FILE ROWS
//       a list file of ROWS rows naming files of 1 to 8 KiB, as the tool
//       writes it (the files themselves are not made).

#include "core/model/entry_list.h"
#include "core/model/list_file.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

// splitmix64: small, fast and fixed, so inputs do not depend on the library.
class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::uint64_t between(std::uint64_t low, std::uint64_t high) {
        return low + next() % (high - low + 1);
    }

  private:
    std::uint64_t state_;
};

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "bench_inputs: %s\n", what.c_str());
    std::exit(1);
}

std::string numbered(unsigned n) {
    char name[32];
    std::snprintf(name, sizeof name, "%05u.bin", n);
    return name;
}

void makeFiles(const std::filesystem::path& folder, unsigned count, std::uint64_t low,
               std::uint64_t high) {
    std::filesystem::create_directories(folder);
    Random random(count * 1000003ull + high);
    std::vector<std::uint64_t> block(std::size_t{1} << 17); // 1 MiB
    for (unsigned i = 0; i < count; ++i) {
        std::uint64_t left = random.between(low, high);
        std::ofstream out(folder / numbered(i), std::ios::binary | std::ios::trunc);
        while (left > 0) {
            for (auto& word : block) {
                word = random.next();
            }
            const std::uint64_t piece = std::min<std::uint64_t>(left, block.size() * 8);
            out.write(reinterpret_cast<const char*>(block.data()),
                      static_cast<std::streamsize>(piece));
            left -= piece;
        }
        if (!out.flush()) {
            fail("cannot write into " + folder.string());
        }
    }
}

void makeList(const std::filesystem::path& file, unsigned rows) {
    Random random(rows);
    std::vector<zd::NewEntry> entries;
    entries.reserve(rows);
    for (unsigned i = 0; i < rows; ++i) {
        const std::string path =
            "/srv/assets/display/set" + std::to_string(i / 1000) + "/" + numbered(i);
        entries.push_back({path, static_cast<std::uint32_t>(random.between(1024, 8192))});
    }
    zd::EntryList list;
    list.setFrontOffset(4096);
    list.recomputeLayout();
    list.appendEntries(entries);
    if (auto error = zd::writeListFile(file, list)) {
        fail(file.string() + ": " + error.message());
    }
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "files" && argc == 6) {
        makeFiles(argv[2], static_cast<unsigned>(std::strtoul(argv[3], nullptr, 10)),
                  std::strtoull(argv[4], nullptr, 10), std::strtoull(argv[5], nullptr, 10));
    } else if (mode == "list" && argc == 4) {
        makeList(argv[2], static_cast<unsigned>(std::strtoul(argv[3], nullptr, 10)));
    } else {
        fail("usage: bench_inputs files FOLDER COUNT MIN MAX | list FILE ROWS");
    }
    return 0;
}
