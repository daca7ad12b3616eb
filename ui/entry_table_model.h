// The list's table model: reads the core entry list directly and follows its
// changes, so the rows live in one place only.
#pragma once

#include "core/model/entry_list.h"

#include <QAbstractTableModel>

namespace zd::ui {

class EntryTableModel final : public QAbstractTableModel, private EntryListObserver {
    Q_OBJECT
  public:
    explicit EntryTableModel(EntryList& list, QObject* parent = nullptr);
    ~EntryTableModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Column titles, widths in pixels and alignments, in display order.
    static QString title(int column);
    static int width(int column);
    static Qt::Alignment alignment(int column);

  private:
    void rowsAboutToBeInserted(int first, int last) override;
    void rowsInserted() override;
    void rowsAboutToBeRemoved(int first, int last) override;
    void rowsRemoved() override;
    void rowsChanged(int first, int last) override;

    EntryList& list_;
};

} // namespace zd::ui
