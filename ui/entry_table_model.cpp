#include "ui/entry_table_model.h"

#include <array>

namespace zd::ui {

namespace {

struct ColumnLook {
    const char* title;
    int width;
    Qt::Alignment alignment;
};

// The titles stay English, unlike the rest of the window.
const std::array<ColumnLook, kColumnCount> kColumns{{
    {"No.", 40, Qt::AlignCenter},
    {"File Name", 300, Qt::AlignLeft | Qt::AlignVCenter},
    {"Size(byte)", 100, Qt::AlignRight | Qt::AlignVCenter},
    {"Address", 100, Qt::AlignRight | Qt::AlignVCenter},
    {"Data Format", 100, Qt::AlignCenter},
}};

} // namespace

EntryTableModel::EntryTableModel(EntryList& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list) {
    list_.setObserver(this);
}

EntryTableModel::~EntryTableModel() {
    list_.setObserver(nullptr);
}

int EntryTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : list_.rowCount();
}

int EntryTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant EntryTableModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid)) {
        return {};
    }
    const auto column = static_cast<Column>(index.column());
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(list_.cellText(index.row(), column));
    case Qt::ToolTipRole:
        // The view shortens a long path in the middle; the tip shows it whole.
        if (column == Column::FileName) {
            return QString::fromStdString(list_.cellText(index.row(), column));
        }
        return {};
    case Qt::TextAlignmentRole:
        return static_cast<int>(alignment(index.column()));
    default:
        return {};
    }
}

QVariant EntryTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return title(section);
    }
    if (role == Qt::TextAlignmentRole) {
        return static_cast<int>(alignment(section));
    }
    return {};
}

Qt::ItemFlags EntryTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

QString EntryTableModel::title(int column) {
    return QString::fromLatin1(kColumns.at(static_cast<std::size_t>(column)).title);
}

int EntryTableModel::width(int column) {
    return kColumns.at(static_cast<std::size_t>(column)).width;
}

Qt::Alignment EntryTableModel::alignment(int column) {
    return kColumns.at(static_cast<std::size_t>(column)).alignment;
}

void EntryTableModel::rowsAboutToBeInserted(int first, int last) {
    beginInsertRows({}, first, last);
}

void EntryTableModel::rowsInserted() {
    endInsertRows();
}

void EntryTableModel::rowsAboutToBeRemoved(int first, int last) {
    beginRemoveRows({}, first, last);
}

void EntryTableModel::rowsRemoved() {
    endRemoveRows();
}

void EntryTableModel::rowsChanged(int first, int last) {
    emit dataChanged(index(first, 0), index(last, kColumnCount - 1));
}

} // namespace zd::ui
