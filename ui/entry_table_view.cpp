#include "ui/entry_table_view.h"

#include "ui/entry_table_model.h"

#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QUrl>

namespace zd::ui {

namespace {

QStringList localPaths(const QMimeData* mime) {
    QStringList paths;
    if (mime == nullptr) {
        return paths;
    }
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile()) {
            paths << url.toLocalFile();
        }
    }
    return paths;
}

} // namespace

// A table view draws its grid and lets several rows be selected by default.
EntryTableView::EntryTableView(QWidget* parent) : QTableView(parent) {
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setWordWrap(false);
    // A long path keeps its file name in sight: the cut goes in the middle.
    setTextElideMode(Qt::ElideMiddle);
    verticalHeader()->hide();
    // Compact rows of one text line, like a report list.
    const int rowHeight = fontMetrics().height() + 4;
    verticalHeader()->setMinimumSectionSize(rowHeight);
    verticalHeader()->setDefaultSectionSize(rowHeight);
    horizontalHeader()->setHighlightSections(false);

    // The selection stays as visible as with the focus.
    QPalette colours = palette();
    for (const auto role : {QPalette::Highlight, QPalette::HighlightedText}) {
        colours.setColor(QPalette::Inactive, role, colours.color(QPalette::Active, role));
    }
    setPalette(colours);

    viewport()->setAcceptDrops(true); // drops land on the viewport
}

void EntryTableView::setModel(QAbstractItemModel* model) {
    QTableView::setModel(model);
    for (int column = 0; column < horizontalHeader()->count(); ++column) {
        setColumnWidth(column, EntryTableModel::width(column));
    }
}

// A drag arrives refused; the list takes it only when it carries local paths.
void EntryTableView::dragEnterEvent(QDragEnterEvent* event) {
    if (!localPaths(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

// Moves and the drop reach the list only after it took the drag's entry,
// so they carry local paths.
void EntryTableView::dragMoveEvent(QDragMoveEvent* event) {
    event->acceptProposedAction();
}

void EntryTableView::dropEvent(QDropEvent* event) {
    event->acceptProposedAction();
    emit pathsDropped(localPaths(event->mimeData()));
}

} // namespace zd::ui
