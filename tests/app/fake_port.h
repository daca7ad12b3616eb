// A scripted port: it records what the commands show or ask, in order, and
// plays back queued answers and dialog results.
#pragma once

#include "entry_list.h"
#include "port.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

namespace zd::app::test {

struct Message {
    std::string text;
    std::string caption;
    Icon icon;
    Buttons buttons;
    bool operator==(const Message&) const = default;
};

// Also follows the entry list as the window's list view does, so that the
// selection marks move with their rows.
class FakePort : public Port, public EntryListObserver {
public:
    // script
    std::deque<Answer> answers; // one for every Yes/No box
    std::deque<std::vector<std::string>> openResults;
    std::deque<std::optional<std::string>> saveResults;
    bool fileInfoChecked = false;
    std::set<int> selection;
    std::map<Display, std::string> displays;
    std::map<int, bool> enabled{{203, true}, {204, true}, {210, true}};
    int stopAtProgressCall = 0; // answer "stop" at this 1-based call

    // record
    std::vector<Message> messages;
    std::vector<FileDialogRequest> requests; // open and save dialogs
    // "message TEXT", "display 403 TEXT", "redraw", "button 203 0", "select 1 1",
    // "folder PATH", "url URL", "dialog 103", "quit", "link", "hand", "end"
    std::vector<std::string> events;
    int progressCalls = 0;

    void expectQueuesUsedUp() const {
        EXPECT_TRUE(answers.empty() && openResults.empty() && saveResults.empty());
    }
    // The recorded events of one kind, without the kind.
    std::vector<std::string> eventsOf(const std::string& kind) const {
        std::vector<std::string> found;
        for (const std::string& event : events) {
            if (event.starts_with(kind)) {
                found.push_back(event.substr(std::min(event.size(), kind.size() + 1)));
            }
        }
        return found;
    }

    Answer showMessage(const std::string& text, const std::string& caption, Icon icon,
                       Buttons buttons) override {
        messages.push_back({text, caption, icon, buttons});
        events.push_back("message " + text);
        return buttons == Buttons::Ok ? Answer::Ok : take(answers, Answer::No);
    }
    std::vector<std::string> chooseFilesToOpen(const FileDialogRequest& request) override {
        requests.push_back(request);
        return take(openResults, {});
    }
    std::optional<std::string> chooseFileToSave(const FileDialogRequest& request) override {
        requests.push_back(request);
        return take(saveResults, std::nullopt);
    }
    std::string displayText(Display display) override { return displays[display]; }
    void setDisplayText(Display display, const std::string& text) override {
        displays[display] = text;
        events.push_back("display " + std::to_string(static_cast<int>(display)) + " " + text);
    }
    bool isFileInfoChecked() override { return fileInfoChecked; }
    std::vector<int> selectedRows() override { return {selection.begin(), selection.end()}; }
    void setRowSelected(int row, bool on) override {
        events.push_back("select " + std::to_string(row) + " " + std::to_string(on));
        on ? (void)selection.insert(row) : (void)selection.erase(row);
    }
    bool isButtonEnabled(int id) override { return enabled.at(id); }
    void setButtonEnabled(int id, bool on) override {
        enabled.at(id) = on;
        events.push_back("button " + std::to_string(id) + " " + std::to_string(on));
    }
    void redraw() override { events.push_back("redraw"); }
    void repaintLink() override { events.push_back("link"); }
    void showHandCursor() override { events.push_back("hand"); }
    void openFolder(const std::string& path) override { events.push_back("folder " + path); }
    void openUrl(const std::string& url) override { events.push_back("url " + url); }
    void runDialog(InfoDialog dialog) override {
        events.push_back("dialog " + std::to_string(static_cast<int>(dialog)));
    }
    void quit() override { events.push_back("quit"); }
    bool reportMergeProgress(std::uint64_t done, std::uint64_t total) override {
        EXPECT_LE(done, total);
        return ++progressCalls != stopAtProgressCall;
    }
    void endMergeProgress() override { events.push_back("end"); }

    // The list view's selection follows inserted and removed rows.
    void rowsAboutToBeInserted(int first, int last) override { shift(first, last - first + 1); }
    void rowsAboutToBeRemoved(int first, int last) override {
        for (int row = first; row <= last; ++row) {
            selection.erase(row);
        }
        shift(last + 1, first - last - 1);
    }
    void rowsInserted() override {}
    void rowsRemoved() override {}
    void rowsChanged(int, int) override {}

private:
    void shift(int from, int by) {
        std::set<int> moved;
        for (int row : selection) {
            moved.insert(row >= from ? row + by : row);
        }
        selection = moved;
    }
    template <typename T> static T take(std::deque<T>& queue, std::type_identity_t<T> otherwise) {
        if (queue.empty()) {
            ADD_FAILURE() << "nothing scripted for this question";
            return otherwise;
        }
        T value = queue.front();
        queue.pop_front();
        return value;
    }
};

} // namespace zd::app::test
