// How to take a CRC-32 of every input while merging: the ways of copying and
// checksumming the same inputs into one image, timed side by side.
//
//   crc_copy_bench OUTPUT_FOLDER RUNS INPUT...
//
// Every way writes a 4096-byte 0xFF front area and then the inputs, as
// `merge -f 4096` does, into OUTPUT_FOLDER/crc_copy.bin (removed before each
// run, after a sync). Ways that checksum give one CRC per input and the
// image's CRC, which must agree across ways. The ways run in turns, round by
// round, after a warm-up round; each line gives the median and the ratio to
// the plain splice copy the merge uses today:
//
//   splice          the merge's copy (files::Output::appendFrom), no checksum
//   rw              read() into a buffer and write() it, no checksum
//   rw+zlib         the same, with zlib's crc32 on each buffer
//   rw+isal         the same, with isa-l's crc32_gzip_refl
//   rw+isal thread  the same, with the CRC taken by a second thread while
//                   the next buffer is read and this one written
//   splice+read     the splice copy, and each input read once more for
//                   isa-l's CRC
//   mmap+isal       each input mapped, checksummed and written from the map
//
// It also prints how fast each CRC runs on bytes already in memory.
// Raw system calls are fine here: this measures ways the file layer may
// offer, it is not product code.

#include "bench/bench_timer.h"
#include "core/files/file_layer.h"
#include "core/image/crc32.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <isa-l/crc.h>
#include <map>
#include <mutex>
#include <string>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace {

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "crc_copy_bench: %s: %s\n", what.c_str(), std::strerror(errno));
    std::exit(1);
}

struct Sums {
    std::vector<std::uint32_t> rows;
    std::uint32_t image = 0;
};

using CrcFn = std::uint32_t (*)(std::uint32_t, const unsigned char*, std::size_t);
std::uint32_t zlibCrc(std::uint32_t crc, const unsigned char* data, std::size_t size) {
    return static_cast<std::uint32_t>(crc32_z(crc, data, size));
}
std::uint32_t isalCrc(std::uint32_t crc, const unsigned char* data, std::size_t size) {
    return crc32_gzip_refl(crc, data, size);
}

constexpr std::size_t kFront = 4096;

int createImage(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        fail("create " + path);
    }
    return fd;
}

void writeAll(int fd, const unsigned char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t done = ::write(fd, data, size);
        if (done <= 0) {
            fail("write");
        }
        data += done;
        size -= static_cast<std::size_t>(done);
    }
}

// The front area, and its CRC as the start of the image's.
std::uint32_t writeFront(int fd) {
    std::vector<unsigned char> front(kFront, 0xFF);
    writeAll(fd, front.data(), front.size());
    return zd::crc32Of({reinterpret_cast<const char*>(front.data()), front.size()});
}

void finish(Sums& sums, std::uint32_t front, const std::vector<std::uint64_t>& sizes) {
    sums.image = front;
    for (std::size_t i = 0; i < sums.rows.size(); ++i) {
        sums.image = zd::crc32Combine(sums.image, sums.rows[i], sizes[i]);
    }
}

void copySplice(const std::string& out, const std::vector<std::string>& inputs) {
    zd::files::Output image;
    if (image.createNew(out)) {
        fail("create " + out);
    }
    const std::vector<unsigned char> front(kFront, 0xFF);
    if (image.write(front.data(), front.size())) {
        fail("write");
    }
    for (const std::string& path : inputs) {
        zd::files::Input input;
        if (input.open(path)) {
            fail("open " + path);
        }
        zd::files::Status info;
        zd::files::CopyResult copy;
        if (input.status(info) || image.appendFrom(input, info.size, copy, {}) || copy.readError ||
            copy.copied != info.size) {
            fail("copy " + path);
        }
    }
    if (image.close()) {
        fail("close");
    }
}

// read() and write() through one buffer, with an optional CRC of each piece.
Sums copyReadWrite(const std::string& out, const std::vector<std::string>& inputs,
                   std::size_t bufferSize, CrcFn crc) {
    Sums sums;
    std::vector<std::uint64_t> sizes;
    std::vector<unsigned char> buffer(bufferSize);
    const int fd = createImage(out);
    const std::uint32_t front = writeFront(fd);
    for (const std::string& path : inputs) {
        const int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (in < 0) {
            fail("open " + path);
        }
        std::uint32_t sum = 0;
        std::uint64_t size = 0;
        for (;;) {
            const ssize_t got = ::read(in, buffer.data(), buffer.size());
            if (got < 0) {
                fail("read " + path);
            }
            if (got == 0) {
                break;
            }
            if (crc) {
                sum = crc(sum, buffer.data(), static_cast<std::size_t>(got));
            }
            writeAll(fd, buffer.data(), static_cast<std::size_t>(got));
            size += static_cast<std::uint64_t>(got);
        }
        ::close(in);
        sums.rows.push_back(sum);
        sizes.push_back(size);
    }
    ::close(fd);
    if (!crc) {
        return {};
    }
    finish(sums, front, sizes);
    return sums;
}

// read() and write() through two buffers in turn while a second thread
// takes the CRC of the buffer just read, so the CRC overlaps the copy.
Sums copyReadWriteCrcThread(const std::string& out, const std::vector<std::string>& inputs,
                            std::size_t bufferSize) {
    Sums sums;
    std::vector<std::uint64_t> sizes;
    std::vector<unsigned char> buffers[2] = {std::vector<unsigned char>(bufferSize),
                                             std::vector<unsigned char>(bufferSize)};
    std::mutex mutex;
    std::condition_variable changed;
    // The piece waiting for its CRC: buffer index, length; -1 when none. A
    // length of 0 ends the current input, and `stop` the thread.
    int pending = -1;
    std::size_t pendingSize = 0;
    bool stop = false;
    std::uint32_t running = 0;
    std::thread summer([&] {
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(lock, [&] { return pending >= 0 || stop; });
            if (pending < 0) {
                return;
            }
            const int index = pending;
            const std::size_t size = pendingSize;
            lock.unlock();
            if (size == 0) {
                sums.rows.push_back(running);
                running = 0;
            } else {
                running = isalCrc(running, buffers[index].data(), size);
            }
            lock.lock();
            pending = -1;
            changed.notify_all();
        }
    });
    auto hand = [&](int index, std::size_t size) {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return pending < 0; });
        pending = index;
        pendingSize = size;
        changed.notify_all();
    };
    auto waitIdle = [&] {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return pending < 0; });
    };
    const int fd = createImage(out);
    const std::uint32_t front = writeFront(fd);
    int index = 0;
    for (const std::string& path : inputs) {
        const int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (in < 0) {
            fail("open " + path);
        }
        std::uint64_t size = 0;
        for (;;) {
            // The buffer about to be filled is not the one being summed:
            // the thread works on at most one piece, handed over last.
            const ssize_t got = ::read(in, buffers[index].data(), bufferSize);
            if (got < 0) {
                fail("read " + path);
            }
            if (got == 0) {
                break;
            }
            hand(index, static_cast<std::size_t>(got));
            writeAll(fd, buffers[index].data(), static_cast<std::size_t>(got));
            size += static_cast<std::uint64_t>(got);
            index ^= 1;
        }
        ::close(in);
        hand(0, 0);
        sizes.push_back(size);
    }
    waitIdle();
    {
        std::lock_guard lock(mutex);
        stop = true;
        changed.notify_all();
    }
    summer.join();
    ::close(fd);
    finish(sums, front, sizes);
    return sums;
}

// The splice copy, and each input read a second time for its CRC.
Sums copySpliceAndRead(const std::string& out, const std::vector<std::string>& inputs) {
    Sums sums;
    std::vector<std::uint64_t> sizes;
    std::vector<unsigned char> buffer(1 << 20);
    for (const std::string& path : inputs) {
        const int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (in < 0) {
            fail("open " + path);
        }
        std::uint32_t sum = 0;
        std::uint64_t size = 0;
        for (ssize_t got; (got = ::read(in, buffer.data(), buffer.size())) > 0;) {
            sum = isalCrc(sum, buffer.data(), static_cast<std::size_t>(got));
            size += static_cast<std::uint64_t>(got);
        }
        ::close(in);
        sums.rows.push_back(sum);
        sizes.push_back(size);
    }
    copySplice(out, inputs);
    finish(sums, zd::crc32Of(std::string(kFront, '\xFF')), sizes);
    return sums;
}

Sums copyMapped(const std::string& out, const std::vector<std::string>& inputs) {
    Sums sums;
    std::vector<std::uint64_t> sizes;
    const int fd = createImage(out);
    const std::uint32_t front = writeFront(fd);
    for (const std::string& path : inputs) {
        zd::files::Status status;
        if (zd::files::statusOf(path, status)) {
            fail("stat " + path);
        }
        const int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (in < 0) {
            fail("open " + path);
        }
        std::uint32_t sum = 0;
        if (status.size > 0) {
            void* map = ::mmap(nullptr, status.size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, in, 0);
            if (map == MAP_FAILED) {
                fail("mmap " + path);
            }
            const auto* bytes = static_cast<const unsigned char*>(map);
            sum = isalCrc(0, bytes, status.size);
            writeAll(fd, bytes, status.size);
            ::munmap(map, status.size);
        }
        ::close(in);
        sums.rows.push_back(sum);
        sizes.push_back(status.size);
    }
    ::close(fd);
    finish(sums, front, sizes);
    return sums;
}

// GiB/s of a CRC over a 1 MiB buffer already in the cache, taken 1024 times.
double crcSpeed(CrcFn crc) {
    std::vector<unsigned char> buffer(1 << 20);
    for (std::size_t i = 0; i < buffer.size(); ++i) {
        buffer[i] = static_cast<unsigned char>(i * 131 + (i >> 9));
    }
    std::uint32_t sum = 0;
    const zd::bench::Timing timing = zd::bench::measure(5, {}, [&] {
        for (int i = 0; i < 1024; ++i) {
            sum = crc(sum, buffer.data(), buffer.size());
        }
    });
    if (sum == 0x12345678) {
        std::printf(" ");
    }
    return 1.0 / (timing.medianMs / 1000.0);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: crc_copy_bench OUTPUT_FOLDER RUNS INPUT...\n");
        return 2;
    }
    const std::string out = std::string(argv[1]) + "/crc_copy.bin";
    const int runs = std::max(1, std::atoi(argv[2]));
    const std::vector<std::string> inputs(argv + 3, argv + argc);

    std::printf("CRC-32 of bytes in memory (1 MiB buffer): zlib %.2f GiB/s, isa-l %.2f GiB/s; "
                "the core uses %s\n",
                crcSpeed(zlibCrc), crcSpeed(isalCrc), zd::crc32Engine());

    struct Way {
        std::string name;
        std::function<Sums()> run;
    };
    const std::vector<Way> ways = {
        {"splice",
         [&] {
             copySplice(out, inputs);
             return Sums{};
         }},
        {"rw 1 MiB", [&] { return copyReadWrite(out, inputs, 1 << 20, nullptr); }},
        {"rw 1 MiB + zlib", [&] { return copyReadWrite(out, inputs, 1 << 20, zlibCrc); }},
        {"rw 256 KiB + isa-l", [&] { return copyReadWrite(out, inputs, 256 << 10, isalCrc); }},
        {"rw 1 MiB + isa-l", [&] { return copyReadWrite(out, inputs, 1 << 20, isalCrc); }},
        {"rw 4 MiB + isa-l", [&] { return copyReadWrite(out, inputs, 4 << 20, isalCrc); }},
        {"rw 1 MiB + isa-l in a 2nd thread",
         [&] { return copyReadWriteCrcThread(out, inputs, 1 << 20); }},
        {"splice + read 1 MiB + isa-l", [&] { return copySpliceAndRead(out, inputs); }},
        {"mmap + isa-l + write", [&] { return copyMapped(out, inputs); }},
    };
    std::map<std::string, std::vector<double>> samples;
    std::map<std::string, std::uint32_t> imageCrc;
    for (int round = 0; round <= runs; ++round) {
        for (const Way& way : ways) {
            ::unlink(out.c_str());
            ::sync();
            const auto start = std::chrono::steady_clock::now();
            const Sums sums = way.run();
            const auto stop = std::chrono::steady_clock::now();
            if (round > 0) { // round 0 warms the caches
                samples[way.name].push_back(
                    std::chrono::duration<double, std::milli>(stop - start).count());
            }
            if (!sums.rows.empty()) {
                imageCrc[way.name] = sums.image;
            }
        }
    }
    ::unlink(out.c_str());
    std::uint32_t first = imageCrc.begin()->second;
    for (const auto& [name, crc] : imageCrc) {
        if (crc != first) {
            std::fprintf(stderr, "crc_copy_bench: %s gives image CRC %08x, not %08x\n",
                         name.c_str(), crc, first);
            return 1;
        }
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        const std::size_t n = v.size();
        return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    };
    const double base = median(samples["splice"]);
    const double baseMin = *std::min_element(samples["splice"].begin(), samples["splice"].end());
    std::printf("image CRC-32 %08x; %d runs each\n", first, runs);
    std::printf("| Way | Median | Ratio to splice | Fastest run | Ratio to splice's fastest |\n"
                "| --- | --- | --- | --- | --- |\n");
    for (const Way& way : ways) {
        const double ms = median(samples[way.name]);
        const double low = *std::min_element(samples[way.name].begin(), samples[way.name].end());
        std::printf("| %s | %.0f ms | %.2f × | %.0f ms | %.2f × |\n", way.name.c_str(), ms,
                    ms / base, low, low / baseMin);
    }
    return 0;
}
