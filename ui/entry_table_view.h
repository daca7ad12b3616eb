// The list control: rows selected whole, several at a time, the selection
// kept visible without the focus, and files or folders dropped onto it.
#pragma once

#include <QStringList>
#include <QTableView>

namespace zd::ui {

class EntryTableView final : public QTableView {
    Q_OBJECT
  public:
    explicit EntryTableView(QWidget* parent = nullptr);

    // Sets the model and gives the columns their widths.
    void setModel(QAbstractItemModel* model) override;

  signals:
    // Local paths dropped onto the list, in the order given.
    void pathsDropped(const QStringList& paths);

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

} // namespace zd::ui
