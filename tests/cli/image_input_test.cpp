// What the commands that read an image say of an input that is not what
// they need, in the input's terms: a pipe or device is refused at once
// (never read as an empty image), a short image says how long it is and
// what it should hold, a row past 4 GiB or an address that does not read
// is named.
#include "tests/cli/cli_run.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace zd {
namespace {

using Args = std::vector<std::string>;

TEST(ImageInput, EachFaultIsSaidInTheInputsTerms) {
    test::TempDir dir;
    test::writeFile(dir / "a.bin", test::patternBytes(1234, 1));
    test::writeFile(dir / "b.bin", test::patternBytes(5000, 2));
    const std::string img = dir / "img.bin", list = dir / "img.h", manifest = dir / "img.json";
    const std::string shortImage = dir / "short.bin", empty = dir / "empty.bin";
    ASSERT_EQ(test::runCli({"merge", "-o", img, "-if4K", "--manifest", manifest, dir / "a.bin",
                            dir / "b.bin"})
                  .code,
              0);
    test::writeFile(shortImage, test::readFile(img).substr(0, 6000));
    test::writeFile(empty, "");
    // Each run fails, saying `said` on stdout or stderr.
    const auto expectSaid = [](const Args& args, const std::string& said) {
        const test::CliRun ran = test::runCli(args);
        EXPECT_EQ(ran.code, 1) << args[0];
        EXPECT_NE(ran.printed().find(said), std::string::npos) << ran.printed();
    };
    const std::string cutShort = shortImage +
                                 ": the image is 6000 bytes long, but its file info "
                                 "table lists files up to offset 10330: it is cut short";
    expectSaid({"inspect", shortImage}, cutShort);
    expectSaid({"unpack", shortImage, "-d", dir / "u"}, cutShort);
    expectSaid({"unpack", shortImage, "-d", dir / "u", "-l", list},
               dir / "b.bin" + ": the image is 6000 bytes long, but this file's bytes end at "
                               "offset 10330");
    expectSaid({"verify", empty, "-l", list},
               "4096\tthe image is 0 bytes long, ending before the file");
#ifndef _WIN32
    // A pipe without a writer would read as empty; /dev/zero never ends.
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    for (const std::string& pipe : {dir / "fifo", std::string("/dev/zero")}) {
        for (const Args& args : {Args{"inspect", pipe}, Args{"verify", pipe, "-l", list},
                                 Args{"unpack", pipe, "-d", dir / "u"}}) {
            expectSaid(args, pipe + ": not a regular file");
        }
    }
#endif
    std::string json = test::readFile(manifest);
    json.replace(json.find("\"address\": 4096"), 15, "\"address\": 4294967295");
    test::writeFile(manifest, json);
    expectSaid({"verify", img, "--manifest", manifest},
               "files[0] ends at 4294968529, past the image_size 10330");
    std::string rows = test::readFile(list);
    rows.replace(rows.find("5330;"), 4, "99999999999");
    test::writeFile(list, rows);
    for (const Args& args :
         {Args{"verify", img, "-l", list}, Args{"unpack", img, "-d", dir / "u", "-l", list}}) {
        expectSaid(args, "line 5: the address 99999999999 is not an unsigned 32-bit number");
    }
    EXPECT_FALSE(std::filesystem::exists(test::pathOf(dir / "u")));
}

} // namespace
} // namespace zd
