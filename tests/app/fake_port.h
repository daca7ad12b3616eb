// A scripted port: it records everything the commands show or ask, and
// plays back queued answers and dialog results.
#pragma once

#include "entry_list.h"
#include "port.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace zd::app::test {

struct Message {
    std::string text;
    std::string caption;
    Icon icon = Icon::Information;
    Buttons buttons = Buttons::Ok;
};

// Also follows the entry list as the window's list view does, so that the
// selected marks move with the rows they belong to.
class FakePort : public Port, public EntryListObserver {
public:
    // --- script ---
    std::deque<Answer> answers; // one for every Yes/No box; OK boxes need none
    std::deque<std::vector<std::string>> openResults;
    std::deque<std::optional<std::string>> saveResults;
    bool fileInfoChecked = false;
    std::set<int> selection;
    std::map<Display, std::string> displays{
        {Display::FileCount, "0"}, {Display::FrontOffset, "0"}, {Display::Capacity, "0"}};
    std::map<int, bool> enabled{{203, true}, {204, true}, {210, true}};
    int stopAtProgressCall = 0; // answer "stop" at this 1-based call; 0 never

    // --- record ---
    std::vector<Message> messages;
    std::vector<FileDialogRequest> openRequests;
    std::vector<FileDialogRequest> saveRequests;
    std::vector<std::pair<Display, std::string>> displayWrites;
    std::vector<std::pair<int, bool>> selectionChanges;
    std::vector<std::pair<int, bool>> buttonChanges;
    std::vector<std::string> openedFolders;
    std::vector<std::string> openedUrls;
    std::vector<InfoDialog> dialogsRun;
    std::vector<std::string> events; // the order of messages, display writes and redraws
    int redraws = 0;
    int linkRepaints = 0;
    int handCursors = 0;
    int quits = 0;
    int progressCalls = 0;
    int progressEnds = 0;

    void expectQueuesUsedUp() const {
        EXPECT_TRUE(answers.empty()) << answers.size() << " answers left";
        EXPECT_TRUE(openResults.empty()) << openResults.size() << " open results left";
        EXPECT_TRUE(saveResults.empty()) << saveResults.size() << " save results left";
    }
    std::vector<std::string> messageTexts() const {
        std::vector<std::string> texts;
        for (const Message& m : messages) {
            texts.push_back(m.text);
        }
        return texts;
    }

    Answer showMessage(const std::string& text, const std::string& caption, Icon icon,
                       Buttons buttons) override {
        messages.push_back({text, caption, icon, buttons});
        events.push_back("message " + text);
        if (buttons == Buttons::Ok) {
            return Answer::Ok;
        }
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected question: " << text;
            return Answer::No;
        }
        const Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::vector<std::string> chooseFilesToOpen(const FileDialogRequest& request) override {
        openRequests.push_back(request);
        if (openResults.empty()) {
            ADD_FAILURE() << "unexpected open dialog: " << request.title;
            return {};
        }
        auto result = openResults.front();
        openResults.pop_front();
        return result;
    }
    std::optional<std::string> chooseFileToSave(const FileDialogRequest& request) override {
        saveRequests.push_back(request);
        if (saveResults.empty()) {
            ADD_FAILURE() << "unexpected save dialog: " << request.title;
            return std::nullopt;
        }
        auto result = saveResults.front();
        saveResults.pop_front();
        return result;
    }
    std::string displayText(Display display) override { return displays[display]; }
    void setDisplayText(Display display, const std::string& text) override {
        displays[display] = text;
        displayWrites.emplace_back(display, text);
        events.push_back("display " + std::to_string(static_cast<int>(display)) + " " + text);
    }
    bool isFileInfoChecked() override { return fileInfoChecked; }
    std::vector<int> selectedRows() override { return {selection.begin(), selection.end()}; }
    void setRowSelected(int row, bool selected) override {
        selectionChanges.emplace_back(row, selected);
        if (selected) {
            selection.insert(row);
        } else {
            selection.erase(row);
        }
    }
    bool isButtonEnabled(int commandId) override { return enabled.at(commandId); }
    void setButtonEnabled(int commandId, bool on) override {
        enabled.at(commandId) = on;
        buttonChanges.emplace_back(commandId, on);
    }
    void redraw() override {
        ++redraws;
        events.push_back("redraw");
    }
    void repaintLink() override { ++linkRepaints; }
    void showHandCursor() override { ++handCursors; }
    void openFolder(const std::string& path) override { openedFolders.push_back(path); }
    void openUrl(const std::string& url) override { openedUrls.push_back(url); }
    void runDialog(InfoDialog dialog) override { dialogsRun.push_back(dialog); }
    void quit() override { ++quits; }
    bool reportMergeProgress(std::uint64_t done, std::uint64_t total) override {
        EXPECT_LE(done, total);
        return ++progressCalls != stopAtProgressCall;
    }
    void endMergeProgress() override { ++progressEnds; }

    // The list view's selection follows inserted and removed rows.
    void rowsAboutToBeInserted(int first, int last) override { shift(first, last - first + 1); }
    void rowsInserted() override {}
    void rowsAboutToBeRemoved(int first, int last) override {
        std::set<int> kept;
        for (int row : selection) {
            if (row < first) {
                kept.insert(row);
            } else if (row > last) {
                kept.insert(row - (last - first + 1));
            }
        }
        selection = kept;
    }
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
};

} // namespace zd::app::test
