// The Win32 side of the file layer where it differs from POSIX: UTF-8 text
// that is not valid names no file, and long paths.
#include "file_layer.h"
#include "test_files.h"
#include "utf16_text.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace zd {
namespace {

TEST(Win32Text, ConvertsUtf8AndLongPaths) {
    EXPECT_EQ(win::toWide("图片.jpg"), std::wstring(L"图片.jpg"));
    EXPECT_EQ(win::toUtf8(L"图片.jpg"), "图片.jpg");
    EXPECT_EQ(win::toWide("a\xFF"), std::nullopt);
    EXPECT_EQ(win::toWideLenient("a\xFF"), L"a\uFFFD");
    EXPECT_EQ(win::toUtf8(std::wstring{L'a', wchar_t(0xD800)}), "a\xEF\xBF\xBD");

    const std::pair<const wchar_t*, const wchar_t*> paths[] = {
        {L"C:\\x\\y", L"\\\\?\\C:\\x\\y"},
        {L"\\\\server\\share\\y", L"\\\\?\\UNC\\server\\share\\y"},
        {L"\\\\?\\C:\\x", L"\\\\?\\C:\\x"},
    };
    for (const auto& [given, expected] : paths) {
        EXPECT_EQ(win::extendedLengthPath(given), expected);
    }
    const std::pair<const wchar_t*, const wchar_t*> ordinary[] = {
        {L"\\\\?\\C:\\x", L"C:\\x"},
        {L"\\\\?\\UNC\\server\\share", L"\\\\server\\share"},
        {L"C:\\x", L"C:\\x"},
        {L"\\\\server\\share", L"\\\\server\\share"},
    };
    for (const auto& [given, expected] : ordinary) {
        EXPECT_EQ(win::ordinaryPath(given), expected);
    }
}

// A name that is no link is the file itself, there or not; a link leads to
// its target, in the ordinary form of the path.
TEST(Win32FileLayer, ResolvesLinksToTheirTargets) {
    test::TempDir dir;
    test::writeFile(dir / "target.bin", "x");
    std::string resolved;
    for (const std::string& path : {dir / "target.bin", dir / "missing.bin"}) {
        ASSERT_FALSE(files::resolveLinks(path, resolved));
        EXPECT_EQ(resolved, path);
    }
    const std::wstring link = test::pathOf(dir / "link.bin").wstring();
    const bool made =
        ::CreateSymbolicLinkW(link.c_str(), test::pathOf(dir / "target.bin").c_str(), 0);
    const DWORD attributes = ::GetFileAttributesW(link.c_str());
    if (!made || attributes == INVALID_FILE_ATTRIBUTES ||
        !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        GTEST_SKIP() << "this system makes no symbolic links (Wine); needs a check on Windows";
    }
    ASSERT_FALSE(files::resolveLinks(dir / "link.bin", resolved));
    EXPECT_EQ(resolved, dir / "target.bin");
}

TEST(Win32FileLayer, RefusesNonUtf8AndReachesLongPaths) {
    test::TempDir dir;
    const std::string a = dir / "a.bin";
    const std::string bad = dir / "" + "b\xFF.bin";
    test::writeFile(a, "abc");
    const std::error_code noTranslation(ERROR_NO_UNICODE_TRANSLATION, std::system_category());
    files::Input input;
    files::Output output;
    files::Status status;
    EXPECT_EQ(input.open(bad), noTranslation);
    EXPECT_EQ(output.createNew(bad), noTranslation);
    EXPECT_EQ(files::statusOf(bad, status), noTranslation);
    EXPECT_EQ(files::rename(a, bad), noTranslation);
    EXPECT_EQ(files::rename(bad, a), noTranslation);
    EXPECT_EQ(files::remove(bad), noTranslation);
    EXPECT_EQ(files::hardLink(a, bad), noTranslation);
    EXPECT_EQ(files::hardLink(bad, a), noTranslation);
    // Made absolute by the text, as the system takes paths; what names no
    // file stays as it was.
    const std::string here = files::absolutePath(".");
    const std::string longName(300, 'l');
    const std::pair<std::string, std::string> absolute[] = {
        {"", ""},
        {"b\xFF", "b\xFF"},
        {"x\\.\\y", here + "\\x\\y"},
        {"C:\\a\\..\\b", "C:\\b"},
        {longName, here + "\\" + longName},
    };
    for (const auto& [given, expected] : absolute) {
        EXPECT_EQ(files::absolutePath(given), expected);
    }
    // A device is no regular file.
    ASSERT_FALSE(files::statusOf("NUL", status));
    EXPECT_EQ(status.kind, files::Kind::Other);

    // A path past MAX_PATH.
    std::string deep = dir.path().string();
    for (const char c : {'d', 'e'}) {
        deep += "\\" + std::string(120, c);
        ASSERT_TRUE(
            ::CreateDirectoryW(win::extendedLengthPath(*win::toWide(deep)).c_str(), nullptr));
    }
    deep += "\\" + std::string(40, 'f');
    ASSERT_GT(deep.size(), 300u);
    ASSERT_FALSE(output.createNew(deep));
    EXPECT_FALSE(output.write("12345", 5));
    EXPECT_FALSE(output.close());
    ASSERT_FALSE(files::statusOf(deep, status));
    EXPECT_EQ(status.size, 5u);
    std::vector<files::FolderEntry> entries;
    EXPECT_EQ(files::listFolder(a, entries), std::errc::not_a_directory);
    // What the scratch folder cannot remove at that length.
    EXPECT_FALSE(files::remove(deep));
    for (int level = 0; level < 2; ++level) {
        deep.resize(deep.rfind('\\'));
        ::RemoveDirectoryW(win::extendedLengthPath(*win::toWide(deep)).c_str());
    }
}

} // namespace
} // namespace zd
