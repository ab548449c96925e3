#pragma once

#include <QDate>
#include <cstdio>

#include "Dialogs.h"

namespace bench {

// The dialogs of a benchmark: every day choice answers the benchmark's day; a message box is
// unexpected and said on standard error.
class BenchDialogs : public base::Dialogs {
public:
    explicit BenchDialogs(QDate day) : day_(day) {}
    int messageBox(const QString& text, const QString&, int, bool) override {
        std::fprintf(stderr, "unexpected box: %s\n", text.toUtf8().constData());
        return base::IDOK;
    }
    std::optional<QDate> chooseDate(const QString&) override { return day_; }

private:
    QDate day_;
};

}  // namespace bench
