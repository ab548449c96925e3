#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <stdexcept>

#include "PlatorisApplication.h"
#include "EngineError.h"
#include "ScriptedDialogs.h"

using testing_support::ScriptedDialogs;

namespace {

// An object whose event handler throws what it is told to.
class Thrower : public QObject {
public:
    static constexpr QEvent::Type kThrow = QEvent::Type(QEvent::User + 1);
    static constexpr QEvent::Type kCount = QEvent::Type(QEvent::User + 2);

    std::function<void()> thrower;
    int handled = 0;

    bool event(QEvent* e) override {
        if (e->type() == kThrow) thrower();
        if (e->type() == kCount) {
            ++handled;
            return true;
        }
        return QObject::event(e);
    }
};

class ApplicationErrorReport : public ::testing::Test {
protected:
    void SetUp() override {
        application = qobject_cast<app::PlatorisApplication*>(QCoreApplication::instance());
        ASSERT_NE(application, nullptr);
        saved = application->errorDialogs();
        application->setErrorDialogs(&dialogs);
    }
    void TearDown() override {
        if (application) application->setErrorDialogs(saved);
    }

    // Posts an event that throws, then one that counts, and runs a message loop until the
    // second has been handled: the loop must survive the first.
    void runThrowingEvent(std::function<void()> thrower) {
        Thrower target;
        target.thrower = std::move(thrower);
        QEventLoop loop;
        QCoreApplication::postEvent(&target, new QEvent(Thrower::kThrow));
        QCoreApplication::postEvent(&target, new QEvent(Thrower::kCount));
        QTimer::singleShot(0, &loop, [&] { loop.quit(); });
        QTimer::singleShot(5000, &loop, [&] { loop.exit(1); });  // never hang
        EXPECT_EQ(loop.exec(), 0);
        QCoreApplication::sendPostedEvents(&target);
        EXPECT_EQ(target.handled, 1);
    }

    app::PlatorisApplication* application = nullptr;
    base::Dialogs* saved = nullptr;
    ScriptedDialogs dialogs;
};

TEST_F(ApplicationErrorReport, AnErrorEscapingAHandlerIsShownAndTheLoopGoesOn) {
    runThrowingEvent([] { throw base::EngineError(QStringLiteral("Нет доступа к файлу")); });
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("Нет доступа к файлу."));
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("Платорис"));
    EXPECT_EQ(dialogs.boxes[0].style, 16);

    runThrowingEvent([] { throw std::logic_error("bad state"); });
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[1].text, QStringLiteral("bad state."));

    runThrowingEvent([] { throw 3.5; });
    ASSERT_EQ(dialogs.boxes.size(), 3u);
    EXPECT_EQ(dialogs.boxes[2].text, QString());
}

TEST_F(ApplicationErrorReport, ASilentAbortShowsNothingAndTheLoopGoesOn) {
    runThrowingEvent([] { throw base::SilentAbort(); });
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(ApplicationErrorReport, AnErrorInATimerSlotIsReportedAndLaterTimersStillRun) {
    QEventLoop loop;
    bool laterRan = false;
    QTimer::singleShot(0, &loop, [] { throw base::EngineError(QStringLiteral("Сбой!")); });
    QTimer::singleShot(20, &loop, [&] {
        laterRan = true;
        loop.quit();
    });
    QTimer::singleShot(5000, &loop, [&] { loop.exit(1); });
    EXPECT_EQ(loop.exec(), 0);
    EXPECT_TRUE(laterRan);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("Сбой!"));
}

}  // namespace
