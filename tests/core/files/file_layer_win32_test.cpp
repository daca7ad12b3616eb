// The Win32 side of the file layer where it differs from POSIX: UTF-8 text
// that is not valid names no file, paths made absolute by their text, long
// paths in their long form, devices and links.
#include "core/files/file_layer.h"
#include "core/files/utf16_text.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace zd {
namespace {

TEST(Win32FileLayer, TextPathsDevicesAndLinks) {
    EXPECT_EQ(files::toWideLenient("图\xFF"), L"图\uFFFD");
    EXPECT_EQ(files::toUtf8(std::wstring{L'图', wchar_t(0xD800)}), "图\xEF\xBF\xBD");
    EXPECT_EQ(files::extendedLengthPath(L"\\\\server\\share"), L"\\\\?\\UNC\\server\\share");
    EXPECT_EQ(files::ordinaryPath(L"\\\\?\\UNC\\server\\share"), L"\\\\server\\share");

    test::TempDir dir;
    const std::string a = dir / "a.bin", bad = dir / "" + "b\xFF.bin";
    test::writeFile(a, "abc");
    files::Input input;
    files::Output output;
    files::Status status;
    std::string resolved;
    for (const std::error_code& error :
         {input.open(bad), output.createNew(bad), files::statusOf(bad, status),
          files::rename(a, bad), files::rename(bad, a), files::remove(bad), files::hardLink(a, bad),
          files::hardLink(bad, a), files::checkWritable(bad), files::resolveLinks(bad, resolved)}) {
        EXPECT_EQ(error.value(), ERROR_NO_UNICODE_TRANSLATION);
    }
    // Made absolute by the text, as the system takes paths; what names no
    // file stays as it was.
    const std::string here = files::absolutePath("."), longName(300, 'l');
    for (const auto& [given, expected] : {std::pair<std::string, std::string>{"", ""},
                                          {"x\\.\\y", here + "\\x\\y"},
                                          {"b\xFF", "b\xFF"},
                                          {"C:\\a\\..\\b", "C:\\b"},
                                          {longName, here + "\\" + longName}}) {
        EXPECT_EQ(files::absolutePath(given), expected);
    }
    EXPECT_TRUE(!files::statusOf("NUL", status) && status.kind == files::Kind::Other); // a device
    // A pipe whose writer has gone ends as a file does.
    const std::string pipe = "\\\\.\\pipe\\zd-test-" + std::to_string(::GetCurrentProcessId());
    const HANDLE writer =
        ::CreateNamedPipeW(files::toWideLenient(pipe).c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE,
                           1, 64, 64, 0, nullptr);
    ASSERT_FALSE(input.open(pipe));
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(writer, "xyz", 3, &written, nullptr) && ::CloseHandle(writer));
    char got[8] = {};
    std::size_t count = 0;
    EXPECT_FALSE(input.read(got, 8, count) || count != 3 || input.read(got, 8, count) || count);
    // Any other failed read is an error: a folder opens, to tell its kind,
    // but gives no bytes.
    ASSERT_FALSE(input.open(dir.path().string()));
    EXPECT_TRUE(input.read(got, 8, count));
    input.close();

    // A file past MAX_PATH, in a folder short enough for the scratch folder
    // to remove.
    const std::string deep = dir / std::string(120, 'd');
    std::filesystem::create_directory(test::pathOf(deep));
    const std::string file = deep + "\\" + std::string(140, 'f');
    ASSERT_FALSE(output.createNew(file));
    EXPECT_FALSE(output.write("12345", 5) || output.close() || files::statusOf(file, status) ||
                 status.size != 5);
    EXPECT_FALSE(files::remove(file));

    // A name that is no link is the file itself, there or not; a link leads
    // to its target, in the ordinary form of the path.
    for (const std::string& path : {a, dir / ".\\a.bin", dir / "missing.bin"}) {
        EXPECT_FALSE(files::resolveLinks(path, resolved) || resolved != path) << path;
    }
    const std::wstring link = test::pathOf(dir / "link.bin").wstring();
    if (!::CreateSymbolicLinkW(link.c_str(), test::pathOf(a).c_str(), 0) ||
        ::GetFileAttributesW(link.c_str()) == INVALID_FILE_ATTRIBUTES) {
        GTEST_SKIP() << "this system makes no symbolic links (Wine); needs a check on Windows";
    }
    EXPECT_FALSE(files::resolveLinks(dir / "link.bin", resolved));
    EXPECT_EQ(resolved, a);
}

} // namespace
} // namespace zd
