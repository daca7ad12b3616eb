// The list's model shows the core list's own texts through every change.
#include "entry_table_model.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace zd::ui {
namespace {

void expectSameAsList(const EntryTableModel& model, const EntryList& list) {
    ASSERT_EQ(model.rowCount(), list.rowCount());
    ASSERT_EQ(model.columnCount(), kColumnCount);
    for (int row = 0; row < list.rowCount(); ++row) {
        for (int column = 0; column < kColumnCount; ++column) {
            EXPECT_EQ(model.index(row, column).data().toString().toStdString(),
                      list.cellText(row, static_cast<Column>(column)))
                << "row " << row << " column " << column;
        }
    }
}

TEST(EntryTableModel, FollowsAppendMoveDeleteAndClear) {
    EntryList list;
    EntryTableModel model(list);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    list.appendEntry("/data/a.bin", 10, ".bin");
    list.appendEntries(std::vector<NewEntry>{{"/data/b.dot", 20}, {"/data/c.jpg", 30}, {"/data/d", 5}});
    expectSameAsList(model, list);

    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged); // or the view shows old rows
    list.swapRows(0, 1); // a move: swap, then relayout
    EXPECT_EQ(changed.count(), 1);
    list.recomputeLayout();
    EXPECT_EQ(changed.count(), 2);
    expectSameAsList(model, list);
    EXPECT_EQ(model.index(1, 3).data().toString(), QStringLiteral("20"));

    list.setFrontOffset(4096);
    list.removeRow(3);
    list.recomputeLayout();
    expectSameAsList(model, list);
    list.clear();
    expectSameAsList(model, list);

    const char* titles[] = {"No.", "File Name", "Size(byte)", "Address", "Data Format"};
    const Qt::Alignment horizontal[] = {Qt::AlignHCenter, Qt::AlignLeft, Qt::AlignRight,
                                        Qt::AlignRight, Qt::AlignHCenter};
    list.appendEntry("/data/a.bin", 10, ".bin");
    for (int column = 0; column < kColumnCount; ++column) {
        SCOPED_TRACE(column);
        EXPECT_EQ(model.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString(), titles[column]);
        const QModelIndex cell = model.index(0, column);
        EXPECT_EQ(Qt::Alignment(cell.data(Qt::TextAlignmentRole).toInt()) & Qt::AlignHorizontal_Mask,
                  horizontal[column]);
        EXPECT_FALSE(model.flags(cell) & Qt::ItemIsEditable);
    }
}

// Without the model tester: it expects the row after a removed one to keep
// its first cell, but that cell is the row's number, which moves up with it.
TEST(EntryTableModel, RenumbersAfterAMiddleRowGoes) {
    EntryList list;
    EntryTableModel model(list);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    list.appendEntries(std::vector<NewEntry>{{"/a", 1}, {"/b", 2}, {"/c", 4}});
    list.removeRow(1);
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed[0][1].toInt(), 1);
    EXPECT_EQ(removed[0][2].toInt(), 1);
    list.recomputeLayout();
    expectSameAsList(model, list);
}

// A change after the model has gone must not reach it (ASan sees it if so).
TEST(EntryTableModel, StopsObservingWhenGone) {
    EntryList list;
    { EntryTableModel model(list); }
    list.appendEntry("/data/b.bin", 2, ".bin");
    EXPECT_EQ(list.rowCount(), 1);
}

} // namespace
} // namespace zd::ui
