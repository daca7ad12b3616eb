// The commands wired to a scripted port, with a scratch folder for real files.
#pragma once

#include "app/commands.h"
#include "tests/support/test_files.h"

#include <deque>
#include <gtest/gtest.h>
#include <set>
#include <utility>

namespace zd::app::test {

using Strings = std::vector<std::string>;

// Logs, in order, every message as "message caption|icon|buttons|text", every
// file dialog, display write, mark and button change, and what the link and
// view result hand over; plays back scripted answers. (The menus' dialogs and
// Exit are the windows' tests'.)
class FakePort : public Port {
  public:
    std::deque<Answer> answers; // one per Yes/No box
    std::deque<OpenChoice> opens;
    std::deque<std::optional<std::string>> saves;
    // The settings dialog: each 确定 in turn (none: 取消), and what it showed.
    std::deque<std::optional<SettingTexts>> edits;
    SettingTexts shownSettings;
    SettingTexts kept; // what the user keeps under "merge"
    bool keepFails = false;
    std::string typedOffset;
    bool checked = false, stopMerge = false; // the box ticked; Cancel pressed on the progress
    std::set<int> selection, disabled;
    Strings log;

    Answer showMessage(const std::string& text, const std::string& caption, Icon icon,
                       Buttons buttons) override {
        const bool ok = buttons == Buttons::Ok;
        log.push_back("message " + caption + "|" + "IWE"[static_cast<int>(icon)] +
                      (ok ? "|Ok|" : "|YesNo|") + text);
        return ok ? Answer::Ok : take(answers);
    }
    OpenChoice chooseFilesToOpen(const FileDialogRequest& r) override {
        log.push_back("open " + r.title + (r.multiple ? " many" : "") + proposed(r));
        return take(opens);
    }
    std::optional<std::string> chooseFileToSave(const FileDialogRequest& r) override {
        log.push_back("save " + r.title + proposed(r) + (r.confirmOverwrite ? "" : " unasked"));
        return take(saves);
    }
    std::string displayText(Display) override { return typedOffset; }
    void setDisplayText(Display d, const std::string& text) override {
        log.push_back(std::to_string(static_cast<int>(d)) + "=" + text);
    }
    bool isFileInfoChecked() override { return checked; }
    std::vector<int> selectedRows() override { return {selection.begin(), selection.end()}; }
    void setRowSelected(int row, bool on) override {
        log.push_back("select " + std::to_string(row) + (on ? " on" : " off"));
        on ? (void)selection.insert(row) : (void)selection.erase(row);
    }
    bool isButtonEnabled(int id) override { return !disabled.contains(id); }
    void setButtonEnabled(int id, bool on) override {
        log.push_back("button " + std::to_string(id) + (on ? " on" : " off"));
    }
    void redraw() override { log.push_back("redraw"); }
    void repaintLink() override { log.push_back("link"); }
    void showHandCursor() override { log.push_back("hand"); }
    void openFolder(const std::string& path) override { log.push_back("folder " + path); }
    void openUrl(const std::string& url) override { log.push_back("url " + url); }
    void runDialog(InfoDialog) override {}
    // 确定 with values the check finds wrong is told, as the windows tell
    // it, and the dialog stays open for the next.
    std::optional<SettingTexts> editMergeSettings(const SettingTexts& shown,
                                                  const SettingsCheck& check) override {
        log.push_back("settings");
        shownSettings = shown;
        for (;;) {
            std::optional<SettingTexts> edited = take(edits);
            const std::optional<std::string> wrong = edited ? check(*edited) : std::nullopt;
            if (!wrong) {
                return edited;
            }
            showMessage(*wrong, "提示", Icon::Error, Buttons::Ok);
        }
    }
    SettingTexts loadSettings(const std::string& group) override {
        log.push_back("load " + group);
        return kept;
    }
    bool storeSettings(const std::string& group, const SettingTexts& values) override {
        log.push_back("store " + group);
        kept = keepFails ? kept : values;
        return !keepFails;
    }
    void quit() override {}
    bool reportProgress(std::uint64_t done, std::uint64_t total) override {
        EXPECT_LE(done, total);
        return !stopMerge;
    }
    void endProgress() override { log.push_back("end"); }

  private:
    static std::string proposed(const FileDialogRequest& r) {
        return r.proposed.empty() ? "" : " " + r.proposed;
    }
    template <typename T> static T take(std::deque<T>& queue) {
        EXPECT_FALSE(queue.empty()) << "nothing scripted for this question";
        T value = queue.empty() ? T{} : std::move(queue.front());
        return queue.empty() ? value : (queue.pop_front(), value);
    }
};

class AppTest : public ::testing::Test {
  protected:
    AppTest() : commands(port, "www.example.com") {}
    void TearDown() override {
        EXPECT_TRUE(port.answers.empty() && port.opens.empty() && port.saves.empty() &&
                    port.edits.empty());
    }
    // An Ok box as the port logs it.
    static std::string message(char icon, const std::string& text,
                               const std::string& caption = "提示") {
        return "message " + caption + "|" + icon + "|Ok|" + text;
    }

    void click(int id) { EXPECT_TRUE(commands.onCommand(id, kNotifyClick)) << id; } // all are taken
    EntryList& list() { return commands.list(); }
    // A real file of `size` bytes in the scratch folder; its full path.
    std::string makeFile(const std::string& name, std::size_t size) {
        zd::test::writeFile(dir / name, zd::test::patternBytes(size, 1));
        return dir / name;
    }
    // The rows appended behind a front area of `offset` bytes.
    void addRows(const std::vector<NewEntry>& rows, std::uint32_t offset = 0) {
        list().appendEntries(rows);
        setOffset(offset);
    }
    // The log of a command under its button's lock: the button off, the
    // dialog, what it told, the button as it was (`after`) and a redraw.
    static Strings locked(int id, const std::string& dialog, const Strings& told,
                          bool after = true) {
        Strings log{"button " + std::to_string(id) + " off", dialog};
        log.insert(log.end(), told.begin(), told.end());
        log.insert(log.end(),
                   {"button " + std::to_string(id) + (after ? " on" : " off"), "redraw"});
        return log;
    }
    void setOffset(std::uint32_t offset) {
        list().setFrontOffset(offset);
        list().recomputeLayout();
    }
    // The rows as "path@address".
    Strings rows() {
        Strings texts;
        for (const Entry& e : list().entries()) {
            texts.push_back(e.path + "@" + std::to_string(e.address));
        }
        return texts;
    }
    Strings takeLog() { return std::exchange(port.log, {}); } // the log since the last call

    zd::test::TempDir dir;
    FakePort port;
    Commands commands;
};

} // namespace zd::app::test
