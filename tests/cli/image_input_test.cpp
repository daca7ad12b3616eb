// What the commands that read an image say of an input that is not what
// they need, in the input's terms: a pipe or device is refused at once
// (never read as an empty image), a short image says how long it is and
// what it should hold, a row past 4 GiB or an address that does not read
// is named.
#include "cli/cli.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>
#include <sstream>
#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace zd {
namespace {

TEST(ImageInput, EachFaultIsSaidInTheInputsTerms) {
    test::TempDir dir;
    test::writeFile(dir / "a.bin", test::patternBytes(1234, 1));
    test::writeFile(dir / "b.bin", test::patternBytes(5000, 2));
    const auto run = [&](std::vector<std::string> args) {
        std::ostringstream out, err;
        EXPECT_EQ(cli::run(args, out, err), args[0] == "merge" ? 0 : 1) << err.str();
        return err.str();
    };
    const std::string img = dir / "img.bin", list = dir / "img.h", manifest = dir / "img.json";
    run({"merge", "-o", img, "-if4K", "--manifest", manifest, dir / "a.bin", dir / "b.bin"});
    const std::string image = test::readFile(img);
    const std::string short_ = dir / "short.bin", empty = dir / "empty.bin";
    test::writeFile(short_, image.substr(0, 6000));
    test::writeFile(empty, "");
    const std::string cutShort = ": the image is 6000 bytes long, but its file info table lists "
                                 "files up to offset 10330: it is cut short";
    EXPECT_NE(run({"inspect", short_}).find(short_ + cutShort), std::string::npos);
    EXPECT_NE(run({"unpack", short_, "-d", dir / "u"}).find(short_ + cutShort), std::string::npos);
    EXPECT_NE(run({"unpack", short_, "-d", dir / "u", "-l", list})
                  .find(dir / "b.bin" + ": the image is 6000 bytes long, but this file's bytes "
                                        "end at offset 10330"),
              std::string::npos);
    std::ostringstream out, err;
    EXPECT_EQ(cli::run({"verify", empty, "-l", list}, out, err), 1);
    EXPECT_NE(out.str().find("4096\tthe image is 0 bytes long, ending before the file"),
              std::string::npos);

#ifndef _WIN32
    // A pipe without a writer would read as empty; /dev/zero never ends.
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    for (const std::string& pipe : {dir / "fifo", std::string("/dev/zero")}) {
        for (const std::vector<std::string>& args : {std::vector<std::string>{"inspect", pipe},
                                                     {"verify", pipe, "-l", list},
                                                     {"unpack", pipe, "-d", dir / "u"}}) {
            EXPECT_NE(run(args).find(pipe + ": not a regular file"), std::string::npos) << pipe;
        }
    }
#endif
    std::string json = test::readFile(manifest);
    json.replace(json.find("\"address\": 4096"), 15, "\"address\": 4294967295");
    test::writeFile(manifest, json);
    EXPECT_NE(run({"verify", img, "--manifest", manifest})
                  .find("files[0] ends at 4294968529, "
                        "past the image_size 10330"),
              std::string::npos);
    std::string rows = test::readFile(list);
    rows.replace(rows.find("5330;"), 4, "99999999999");
    test::writeFile(list, rows);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"verify", img, "-l", list},
          {"unpack", img, "-d", dir / "u", "-l", list}}) {
        EXPECT_NE(
            run(args).find("line 5: the address 99999999999 is not an unsigned 32-bit number"),
            std::string::npos);
    }
    EXPECT_FALSE(std::filesystem::exists(test::pathOf(dir / "u")));
}

} // namespace
} // namespace zd
