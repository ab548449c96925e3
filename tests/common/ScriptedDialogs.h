#pragma once

#include <QDate>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "Dialogs.h"

namespace testing_support {

// Dialogs for tests: records every message box, date request, save-file and folder request and
// answers from queues. A box with no queued answer returns IDOK; a date, file or folder request
// with none is cancelled. A queued file name is returned as given; `whileSaveDialogOpen`, when set,
// runs while a save-file request is "open" (for instance to change the working folder, as browsing
// in a real dialog may), and `whileBoxOpen` while a message box is (to see what it is shown
// over).
class ScriptedDialogs : public base::Dialogs {
public:
    struct Box {
        QString text, caption;
        int style = 0;
        bool ownedByApplication = true;
    };

    int messageBox(const QString& text, const QString& caption, int style,
                   bool ownedByApplication = true) override {
        boxes.push_back({text, caption, style, ownedByApplication});
        if (whileBoxOpen) whileBoxOpen(boxes.back());
        return next(answers, int(base::IDOK));
    }
    std::optional<QDate> chooseDate(const QString& caption) override {
        dateCaptions.push_back(caption);
        return next(dates, std::optional<QDate>());
    }
    std::optional<QString> saveFileName(const base::SaveFileRequest& request) override {
        saveRequests.push_back(request);
        if (whileSaveDialogOpen) whileSaveDialogOpen(request);
        const QString answer = next(fileNames, QString());
        if (answer.isNull()) return std::nullopt;
        return answer;
    }

    // The print setup dialog: `printSetupAnswer`, when set, fills in the choice (true: OK).
    bool printSetup(base::PrintSetupRequest& request) override {
        printSetupRequests.push_back(request);
        return printSetupAnswer ? printSetupAnswer(request) : false;
    }
    std::optional<QString> chooseFolder(const QString& startFolder) override {
        folderStarts.push_back(startFolder);
        if (whileFolderDialogOpen) whileFolderDialogOpen(startFolder);
        const QString answer = next(folders, QString());
        if (answer.isNull()) return std::nullopt;
        return answer;
    }

    // The texts of the boxes shown so far, in order.
    QStringList boxTexts() const {
        QStringList texts;
        for (const Box& b : boxes) texts << b.text;
        return texts;
    }

    std::vector<Box> boxes;
    std::vector<QString> dateCaptions;
    std::vector<base::PrintSetupRequest> printSetupRequests;
    std::function<bool(base::PrintSetupRequest&)> printSetupAnswer;
    std::deque<int> answers;                 // answers of the coming boxes
    std::deque<std::optional<QDate>> dates;  // answers of the coming date requests
    std::vector<base::SaveFileRequest> saveRequests;
    std::deque<QString> fileNames;  // answers of the coming save-file requests; a null one cancels
    std::function<void(const base::SaveFileRequest&)> whileSaveDialogOpen;
    std::function<void(const Box&)> whileBoxOpen;  // runs while a box is "open"
    std::vector<QString> folderStarts;             // the start folder of every folder request
    std::deque<QString> folders;  // answers of the coming folder requests; a null one cancels
    std::function<void(const QString&)> whileFolderDialogOpen;

private:
    template <class T>
    static T next(std::deque<T>& queue, T fallback) {
        if (queue.empty()) return fallback;
        T value = queue.front();
        queue.pop_front();
        return value;
    }
};

}  // namespace testing_support
