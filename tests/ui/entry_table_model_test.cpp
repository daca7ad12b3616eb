// The list's model follows the core list through every kind of change.
#include "entry_table_model.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace zd::ui {
namespace {

// Every cell the model shows must be the core list's own text.
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
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

    list.appendEntry("/data/a.bin", 10, ".bin");
    const std::vector<NewEntry> batch{{"/data/b.dot", 20}, {"/data/c.jpg", 30}, {"/data/d", 5}};
    list.appendEntries(batch);
    expectSameAsList(model, list);
    EXPECT_EQ(model.index(3, 3).data().toString(), QStringLiteral("60"));

    // Move the first row down, as the move command does: swap, then relayout.
    list.swapRows(0, 1);
    list.recomputeLayout();
    EXPECT_GE(changed.count(), 1);
    expectSameAsList(model, list);
    EXPECT_EQ(model.index(0, 1).data().toString(), QStringLiteral("/data/b.dot"));
    EXPECT_EQ(model.index(1, 3).data().toString(), QStringLiteral("20"));

    list.setFrontOffset(4096);
    list.removeRow(3);
    list.recomputeLayout();
    expectSameAsList(model, list);
    EXPECT_EQ(model.index(2, 3).data().toString(), QStringLiteral("4126"));

    list.removeAll();
    expectSameAsList(model, list);
    list.appendEntry("/data/e.avi", 7, ".avi");
    list.clear();
    expectSameAsList(model, list);
    EXPECT_EQ(model.rowCount(), 0);
}

// Without the model tester: it expects the row after a removed one to keep
// its first cell, but that cell is the row's number, which moves up with it.
TEST(EntryTableModel, RenumbersAfterAMiddleRowGoes) {
    EntryList list;
    EntryTableModel model(list);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    const std::vector<NewEntry> batch{{"/a", 1}, {"/b", 2}, {"/c", 4}};
    list.appendEntries(batch);
    list.removeRow(1);
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed[0][1].toInt(), 1);
    EXPECT_EQ(removed[0][2].toInt(), 1);
    list.recomputeLayout();
    expectSameAsList(model, list);
    EXPECT_EQ(model.index(1, 0).data().toString(), QStringLiteral("2"));
    EXPECT_EQ(model.index(1, 1).data().toString(), QStringLiteral("/c"));
    EXPECT_EQ(model.index(1, 3).data().toString(), QStringLiteral("1"));
}

TEST(EntryTableModel, ColumnsReadOnlyAndAligned) {
    EntryList list;
    EntryTableModel model(list);
    list.appendEntry("/data/a.bin", 10, ".bin");

    const char* titles[] = {"No.", "File Name", "Size(byte)", "Address", "Data Format"};
    const Qt::Alignment horizontal[] = {Qt::AlignHCenter, Qt::AlignLeft, Qt::AlignRight,
                                        Qt::AlignRight, Qt::AlignHCenter};
    for (int column = 0; column < kColumnCount; ++column) {
        EXPECT_EQ(model.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString(),
                  QString::fromLatin1(titles[column]));
        const auto alignment =
            Qt::Alignment(model.index(0, column).data(Qt::TextAlignmentRole).toInt());
        EXPECT_EQ(alignment & Qt::AlignHorizontal_Mask, horizontal[column]) << column;
        EXPECT_FALSE(model.flags(model.index(0, column)) & Qt::ItemIsEditable);
        EXPECT_TRUE(model.flags(model.index(0, column)) & Qt::ItemIsSelectable);
    }
}

TEST(EntryTableModel, StopsObservingWhenGone) {
    EntryList list;
    {
        EntryTableModel model(list);
        list.appendEntry("/data/a.bin", 1, ".bin");
    }
    // A change after the model has gone must not reach it.
    list.appendEntry("/data/b.bin", 2, ".bin");
    list.removeAll();
    EXPECT_TRUE(list.empty());
}

} // namespace
} // namespace zd::ui
