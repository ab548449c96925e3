#include <gtest/gtest.h>

#include <stdexcept>

#include "ErrorBoundary.h"
#include "ScriptedDialogs.h"
#include "EngineError.h"

using testing_support::ScriptedDialogs;

namespace {

TEST(ErrorReportText, AppendsAFullStopOnlyAfterCharactersThatSortAfterIt) {
    EXPECT_EQ(base::errorReportText(QStringLiteral("Таблица закрыта")),
              QStringLiteral("Таблица закрыта."));
    EXPECT_EQ(base::errorReportText(QStringLiteral("Файл:")), QStringLiteral("Файл:."));
    EXPECT_EQ(base::errorReportText(QStringLiteral("a/b")), QStringLiteral("a/b."));
    EXPECT_EQ(base::errorReportText(QStringLiteral("Error 42")), QStringLiteral("Error 42."));
    // Already ends in a full stop or a character that sorts before it: unchanged.
    for (const QString& kept :
         {QStringLiteral("Готово."), QStringLiteral("Стоп!"), QStringLiteral("один,"),
          QStringLiteral("пробел "), QStringLiteral("(скобка)"), QStringLiteral("тире-"),
          QStringLiteral("строка\n"), QStringLiteral("Итого...")})
        EXPECT_EQ(base::errorReportText(kept), kept) << kept.toStdString();
    EXPECT_EQ(base::errorReportText(QString()), QString());
}

std::exception_ptr errorOf(auto thrower) {
    try {
        thrower();
    } catch (...) {
        return std::current_exception();
    }
    return nullptr;
}

TEST(ReportError, ShowsEachKindOfErrorWithTheTitleAndTheErrorIcon) {
    ScriptedDialogs dialogs;
    base::reportError(&dialogs, errorOf([] {
                             throw base::EngineError(QStringLiteral("Таблица Const.db закрыта"));
                         }));
    base::reportError(&dialogs, errorOf([] { throw std::runtime_error("disk full"); }));
    base::reportError(&dialogs, errorOf([] { throw 42; }));
    base::reportError(&dialogs, errorOf([] { throw base::SilentAbort(); }));
    base::reportError(&dialogs, nullptr);

    ASSERT_EQ(dialogs.boxes.size(), 3u);
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("Таблица Const.db закрыта."));
    EXPECT_EQ(dialogs.boxes[1].text, QStringLiteral("disk full."));
    EXPECT_EQ(dialogs.boxes[2].text, QString());  // an unknown kind has no message
    for (const auto& box : dialogs.boxes) {
        EXPECT_EQ(box.caption, QStringLiteral("Платорис"));
        EXPECT_EQ(box.style, 16);
        EXPECT_TRUE(box.ownedByApplication);
    }
}

TEST(ErrorBoundaryTest, ARefusedPostIsSilentAndOtherErrorsAreReportedOnce) {
    testing_support::ScriptedDialogs dialogs;
    EXPECT_FALSE(base::runGuarded(&dialogs, [] { throw base::SilentAbort(); }));
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_FALSE(base::runGuarded(
        &dialogs, [] { throw base::EngineError(QStringLiteral("Таблица занята")); }));
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("Платорис"));
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("Таблица занята."));
    EXPECT_EQ(dialogs.boxes[0].style, base::MB_ICONERROR);
    EXPECT_FALSE(base::runGuarded(&dialogs, [] { throw std::runtime_error("Нет места!"); }));
    EXPECT_EQ(dialogs.boxes.back().text, QStringLiteral("Нет места!"));
    EXPECT_TRUE(base::runGuarded(&dialogs, [] {}));
    EXPECT_EQ(dialogs.boxes.size(), 2u);
    // Without dialogs the error goes to the log and nothing escapes.
    EXPECT_FALSE(
        base::runGuarded(nullptr, [] { throw base::EngineError(QStringLiteral("x")); }));
}

}  // namespace
