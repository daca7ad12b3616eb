// The entry list at scale, in the core alone: reading a list file, appending
// its rows, recomputing the layout, writing the list file and reading it
// back, and the core's share of the window's move, delete and clear.
//
// Usage: core_list_bench LIST.h WORK_FOLDER [RUNS]
// Prints one line per measurement: name, median ms, fastest ms, runs.

#include "bench/bench_timer.h"
#include "core/model/entry_list.h"
#include "core/model/list_file.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using zd::EntryList;
using zd::ListReadResult;
using zd::bench::measure;
using zd::bench::report;

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "core_list_bench: %s\n", what.c_str());
    std::exit(1);
}

ListReadResult readOrFail(const std::filesystem::path& path) {
    ListReadResult read = zd::readListFile(path);
    if (read.status != ListReadResult::Status::Ok) {
        fail(path.string() + ": cannot read the list file: " + read.reason);
    }
    return read;
}

EntryList listOf(const ListReadResult& read) {
    EntryList list;
    list.setFrontOffset(4096);
    list.recomputeLayout();
    list.appendEntries(read.rows);
    return list;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        fail("usage: core_list_bench LIST.h WORK_FOLDER [RUNS]");
    }
    const std::filesystem::path input = argv[1];
    const std::filesystem::path written = std::filesystem::path(argv[2]) / "core_bench_list.h";
    const int runs = argc > 3 ? std::max(5, std::atoi(argv[3])) : 7;

    const ListReadResult source = readOrFail(input);
    const EntryList full = listOf(source);
    const int middle = full.rowCount() / 2;
    std::printf("rows %d\n", full.rowCount());

    ListReadResult read;
    report("read_list", measure(runs, {}, [&] { read = zd::readListFile(input); }), runs);

    EntryList list;
    report("append_all",
           measure(
               runs,
               [&] {
                   list = EntryList{};
                   list.setFrontOffset(4096);
               },
               [&] { list.appendEntries(source.rows); }),
           runs);

    report("import",
           measure(
               runs,
               [&] {
                   list = EntryList{};
                   list.setFrontOffset(4096);
               },
               [&] { list.appendEntries(zd::readListFile(input).rows); }),
           runs);

    list = full;
    report("recompute", measure(runs, {}, [&] { list.recomputeLayout(); }), runs);

    report("write_list",
           measure(
               runs, [&] { std::filesystem::remove(written); },
               [&] {
                   if (auto error = zd::writeListFile(written, full)) {
                       fail("cannot write the list file: " + error.message());
                   }
               }),
           runs);

    report("read_back", measure(runs, {}, [&] { read = zd::readListFile(written); }), runs);
    // The round trip must give the rows back, or the timings mean nothing.
    if (read.status != ListReadResult::Status::Ok || read.rows.size() != source.rows.size()) {
        fail("the written list file does not read back");
    }
    for (std::size_t i = 0; i < read.rows.size(); ++i) {
        if (read.rows[i].path != source.rows[i].path || read.rows[i].size != source.rows[i].size) {
            fail("row " + std::to_string(i + 1) + " differs after the round trip");
        }
    }

    // What the window's move, delete and clear cost in the core: the same
    // list operation and the recompute that follows it.
    list = full;
    report("move_row",
           measure(runs, {},
                   [&] {
                       list.swapRows(middle, middle - 1);
                       list.recomputeLayout();
                   }),
           runs);
    report("delete_row",
           measure(
               runs, [&] { list = full; },
               [&] {
                   list.removeRow(middle);
                   list.recomputeLayout();
               }),
           runs);
    report("clear",
           measure(
               runs, [&] { list = full; }, [&] { list.clear(); }),
           runs);
    if (!list.empty() || list.imageCapacity() != 0) {
        fail("clear left rows behind");
    }
    std::filesystem::remove(written);
    return 0;
}
