// A dialog layer that answers from a script and writes down what was asked.
#pragma once

#include "dialog_layer.h"

#include <QStringList>
#include <deque>
#include <string>
#include <vector>

namespace zd::test {

struct ShownMessage {
    QString text;
    QString caption;
    app::Icon icon;
    app::Buttons buttons;
};

struct ShownInfoDialog {
    app::InfoDialog dialog;
    QPoint topLeft;
};

class FakeDialogs final : public ui::DialogLayer {
  public:
    // Answers, used in order; a question with none left gets "No" / cancel.
    std::deque<app::Answer> answers;
    std::deque<QStringList> filesToOpen;
    std::deque<QString> fileToSave;

    std::vector<ShownMessage> messages;
    std::vector<app::FileDialogRequest> fileRequests;
    std::vector<ShownInfoDialog> infoDialogs;
    std::vector<QUrl> opened;

    app::Answer message(QWidget*, const QString& text, const QString& caption, app::Icon icon,
                        app::Buttons buttons) override {
        messages.push_back({text, caption, icon, buttons});
        if (buttons == app::Buttons::Ok) {
            return app::Answer::Ok;
        }
        return take(answers, app::Answer::No);
    }
    QStringList openFiles(QWidget*, const app::FileDialogRequest& request) override {
        fileRequests.push_back(request);
        return take(filesToOpen, QStringList{});
    }
    std::optional<QString> saveFile(QWidget*, const app::FileDialogRequest& request) override {
        fileRequests.push_back(request);
        if (fileToSave.empty()) {
            return std::nullopt;
        }
        return take(fileToSave, QString{});
    }
    void infoDialog(QWidget*, app::InfoDialog dialog, QPoint topLeft) override {
        infoDialogs.push_back({dialog, topLeft});
    }
    void openExternal(const QUrl& url) override { opened.push_back(url); }

  private:
    template <typename T> static T take(std::deque<T>& queue, T otherwise) {
        if (queue.empty()) {
            return otherwise;
        }
        T value = queue.front();
        queue.pop_front();
        return value;
    }
};

} // namespace zd::test
