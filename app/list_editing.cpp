// Delete, clear, move up and down, the front-offset step and apply buttons,
// and the file-info check box.
#include "app/handlers.h"
#include "app/messages.h"
#include "core/image/info_table.h"
#include "core/model/number_parse.h"

#include <algorithm>
#include <string_view>

namespace zd::app {
namespace {

// The edit holds at most 63 UTF-16 units. Only ASCII blanks, signs and
// digits are read, so cutting the text at 63 bytes reads the same number.
constexpr std::size_t kOffsetEditUnits = 63;

// The first selected row, or -1.
int firstSelectedRow(Port& port) {
    const std::vector<int> rows = port.selectedRows();
    return rows.empty() ? -1 : *std::min_element(rows.begin(), rows.end());
}

void info(Port& port, const std::string& message) {
    port.showMessage(message, text::kNotice, Icon::Information, Buttons::Ok);
}

bool confirmed(Port& port, const std::string& question) {
    return port.showMessage(question, text::kNotice, Icon::Warning, Buttons::YesNo) == Answer::Yes;
}

// Moves the first selected row by one place; only the marks of the two
// exchanged rows change. `atTheEnd` says why a row cannot move.
void moveSelected(Context c, int step, const char* atTheEnd) {
    const int row = firstSelectedRow(c.port);
    const int target = row + step;
    if (row < 0 || target < 0 || target >= c.state.list.rowCount()) {
        info(c.port, atTheEnd);
        return;
    }
    c.state.list.swapRows(row, target);
    c.state.list.recomputeLayout();
    c.port.setRowSelected(target, true);
    c.port.setRowSelected(row, false);
}

// The stored offset changed: the edit shows it, the layout follows. A typed
// value that was never applied is overwritten.
void setSteppedOffset(Context c, std::uint32_t offset) {
    EntryList& list = c.state.list;
    list.setFrontOffset(offset);
    c.port.setDisplayText(Display::FrontOffset, decimal(offset));
    list.recomputeLayout();
    c.port.setDisplayText(Display::Capacity, decimal(list.imageCapacity()));
}

} // namespace

void deleteRow(Context c) {
    const int row = firstSelectedRow(c.port);
    if (row < 0) {
        info(c.port, text::kSelectRowToDelete);
        return;
    }
    if (!confirmed(c.port, text::confirmDelete(row + 1))) {
        return;
    }
    c.state.list.removeRow(row);
    showTotals(c);
    c.state.list.recomputeLayout();
}

void clearList(Context c) {
    if (!confirmed(c.port, text::kConfirmClear)) {
        return;
    }
    // Clearing also resets the front offset; the file-info option stays.
    c.state.list.clear();
    c.port.setDisplayText(Display::FrontOffset, "0");
    c.port.setDisplayText(Display::FileCount, "0");
    c.port.setDisplayText(Display::Capacity, "0");
}

void moveUp(Context c) {
    moveSelected(c, -1, text::kAlreadyFirst);
}
void moveDown(Context c) {
    moveSelected(c, +1, text::kAlreadyLast);
}

void stepOffsetUp(Context c) {
    setSteppedOffset(c, c.state.list.frontOffset() + 4096u); // wraps: no upper limit
}

void stepOffsetDown(Context c) {
    const std::uint32_t offset = c.state.list.frontOffset();
    setSteppedOffset(c, offset - std::min(offset, 4096u)); // stops at 0
}

void applyTypedOffset(Context c) {
    const std::string typed = c.port.displayText(Display::FrontOffset);
    EntryList& list = c.state.list;
    list.setFrontOffset(parseFrontOffset(std::string_view(typed).substr(0, kOffsetEditUnits)));
    list.recomputeLayout();
    // The edit keeps the text as typed ("0x1000" stays).
    c.port.setDisplayText(Display::Capacity, decimal(list.imageCapacity()));
}

void fileInfoToggled(Context c) {
    // The box has toggled itself before the command arrives.
    c.state.fileInfo = c.port.isFileInfoChecked();
    if (!c.state.fileInfo) {
        return;
    }
    c.port.showMessage(text::kFileInfoExplanation, text::kFileInfoCaption, Icon::Information,
                       Buttons::Ok);
    const EntryList& list = c.state.list;
    if (!list.empty() && !infoTableFits(list.frontOffset(), list.rowCount())) {
        c.port.showMessage(text::kFrontAreaTooSmall, text::kNotice, Icon::Warning, Buttons::Ok);
    }
}

} // namespace zd::app
