#pragma once

#include <QDate>
#include <deque>
#include <optional>
#include <vector>

#include "Dialogs.h"

namespace store::test {

// Dialogs for tests: records every message box and date request and answers from queues.
// A box with no queued answer returns IDOK; a date request with none is cancelled.
class ScriptedDialogs : public Dialogs {
public:
    struct Box {
        QString text, caption;
        int style = 0;
        bool ownedByApplication = true;
    };

    int messageBox(const QString& text, const QString& caption, int style,
                   bool ownedByApplication = true) override {
        boxes.push_back({text, caption, style, ownedByApplication});
        return next(answers, int(IDOK));
    }
    std::optional<QDate> chooseDate(const QString& caption) override {
        dateCaptions.push_back(caption);
        return next(dates, std::optional<QDate>());
    }

    std::vector<Box> boxes;
    std::vector<QString> dateCaptions;
    std::deque<int> answers;                 // answers of the coming boxes
    std::deque<std::optional<QDate>> dates;  // answers of the coming date requests

private:
    template <class T>
    static T next(std::deque<T>& queue, T fallback) {
        if (queue.empty()) return fallback;
        T value = queue.front();
        queue.pop_front();
        return value;
    }
};

}  // namespace store::test
