// The commands wired to a fake port, with a scratch folder for real files.
#pragma once

#include "commands.h"
#include "fake_port.h"
#include "test_files.h"

namespace zd::app::test {

using Strings = std::vector<std::string>;

class AppTest : public ::testing::Test {
protected:
    AppTest() : commands(port, "www.example.com") { list().setObserver(&port); }
    void TearDown() override { port.expectQueuesUsedUp(); }

    bool click(int id) { return commands.onCommand(id, kNotifyClick); }
    EntryList& list() { return commands.list(); }

    // A real file of `size` bytes in the scratch folder; its full path.
    std::string makeFile(const std::string& name, std::size_t size) {
        zd::test::writeFile(dir / name, zd::test::patternBytes(size, 1));
        return dir / name;
    }
    void addRow(const std::string& path, std::uint32_t size) {
        list().appendEntry(path, size, dataFormatOf(path));
    }
    void setOffset(std::uint32_t offset) {
        list().setFrontOffset(offset);
        list().recomputeLayout();
    }
    Strings column(Column c) const {
        Strings texts;
        for (int row = 0; row < commands.state().list.rowCount(); ++row) {
            texts.push_back(commands.state().list.cellText(row, c));
        }
        return texts;
    }
    Strings paths() const { return column(Column::FileName); }
    Strings addresses() const { return column(Column::Address); }

    zd::test::TempDir dir;
    FakePort port;
    Commands commands;
};

} // namespace zd::app::test
