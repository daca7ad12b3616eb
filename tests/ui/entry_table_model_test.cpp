// The list's model shows the core list's own texts and says what each change
// rewrote.
#include "tests/ui/qstring_printer.h"
#include "ui/entry_table_model.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace zd::ui {
namespace {

// Every cell as the list has it (read live, so once is enough), and the cells
// each change said it rewrote: a view repaints only those, so a cell left out
// shows a stale number or address.
TEST(EntryTableModel, FollowsAddMoveDeleteAndClear) {
    EntryList list;
    EntryTableModel model(list);
    std::optional<QAbstractItemModelTester> tester;
    tester.emplace(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    // "first row,column-last row,column" of each change, then removals.
    const auto reported = [&] {
        QStringList cells;
        for (const QList<QVariant>& signal : changed) {
            const auto from = signal[0].value<QModelIndex>(), to = signal[1].value<QModelIndex>();
            cells << QString::asprintf("%d,%d-%d,%d", from.row(), from.column(), to.row(),
                                       to.column());
        }
        for (const QList<QVariant>& signal : removed) {
            cells << QString::asprintf("-%d-%d", signal[1].toInt(), signal[2].toInt());
        }
        changed.clear();
        removed.clear();
        return cells.join(' ');
    };
    list.appendEntry("/data/a.bin", 10, ".bin");
    list.appendEntries(
        std::vector<NewEntry>{{"/data/b.dot", 20}, {"/data/c.jpg", 30}, {"/data/d", 5}});
    list.swapRows(0, 2);
    EXPECT_EQ(reported(), "0,0-2,4");
    for (int row = 0; row < list.rowCount(); ++row) {
        for (int column = 0; column < kColumnCount; ++column) {
            EXPECT_EQ(model.index(row, column).data().toString().toStdString(),
                      list.cellText(row, static_cast<Column>(column)));
        }
    }
    list.setFrontOffset(4096);
    list.recomputeLayout();
    EXPECT_EQ(reported(), "0,0-3,4");
    // The tester expects the row after a removed one to keep its first cell,
    // but that is the row's number, which moves up with it; the removals are
    // checked by what they report.
    tester.reset();
    list.removeRow(1);
    list.recomputeLayout();
    EXPECT_EQ(reported(), "0,0-2,4 -1-1");
    list.clear();
    EXPECT_EQ(reported(), "-0-2");
    // A model that has gone must not hear of later changes (ASan sees it if so).
    std::make_unique<EntryTableModel>(list).reset();
    list.appendEntry("/data/b.bin", 2, ".bin");
}

} // namespace
} // namespace zd::ui
