// The commands wired to a fake port, with a scratch folder for real files.
#pragma once

#include "commands.h"
#include "fake_port.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zd::app::test {

inline constexpr const char* kHost = "www.example.com";

class AppTest : public ::testing::Test {
protected:
    AppTest() : commands(port, kHost) { commands.list().setObserver(&port); }
    void TearDown() override { port.expectQueuesUsedUp(); }

    bool click(int id) { return commands.onCommand(id, kNotifyClick); }
    EntryList& list() { return commands.list(); }

    // A real file of `size` bytes in the scratch folder; its full path.
    std::string makeFile(const std::string& name, std::size_t size, unsigned seed = 1) {
        const std::string path = dir / name;
        zd::test::writeFile(path, zd::test::patternBytes(size, seed));
        return path;
    }
    void addRow(const std::string& path, std::uint32_t size) {
        list().appendEntry(path, size, dataFormatOf(path));
    }
    void setOffset(std::uint32_t offset) {
        list().setFrontOffset(offset);
        list().recomputeLayout();
    }
    std::vector<std::string> column(Column c) const {
        std::vector<std::string> texts;
        for (int row = 0; row < commands.state().list.rowCount(); ++row) {
            texts.push_back(commands.state().list.cellText(row, c));
        }
        return texts;
    }
    std::vector<std::string> paths() const { return column(Column::FileName); }
    std::vector<std::string> addresses() const { return column(Column::Address); }

    zd::test::TempDir dir;
    FakePort port;
    Commands commands;
};

} // namespace zd::app::test
