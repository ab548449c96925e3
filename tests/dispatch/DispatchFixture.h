#pragma once

#include <signal.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <chrono>

#include "DayDispatch.h"
#include "RegisterFixture.h"
#include "TestFiles.h"

namespace dispatchtest {

using namespace std::chrono_literals;

// A register core over a fresh program folder with the day open, the send folder "send" and
// the prefix KZ in the constants, the program folder as working folder (as in the running
// program) and a PATH that holds no archiver. The archiver is installed by each test.
class DispatchFixture : public registertest::RegisterFixture {
protected:
    void SetUp() override {
        savedDir_ = QDir::currentPath();
        savedPath_ = qgetenv("PATH");
        ASSERT_TRUE(QDir::setCurrent(folder.path()));
        ASSERT_TRUE(QDir().mkpath(noArchiverPath));
        qputenv("PATH", QFile::encodeName(noArchiverPath));
        ASSERT_TRUE(QDir().mkpath(sendFolder));
        openDay();
        ASSERT_TRUE(core.views.TableDataSourceDayData.isOpen());
        setConst("RodazPath", sendFolder);
        setConst("SendPrefix", "KZ");
        dialogs.boxes.clear();
        dialogs.whileBoxOpen = [this](const auto&) {
            tablesOpenAtBox.push_back(dayAndReferenceOpen());
        };
        sender.archiverWaitLimit = 10s;
        sender.archivePause = 0ms;
    }
    void TearDown() override {
        qputenv("PATH", savedPath_);
        QDir::setCurrent(savedDir_);
    }

    void setConst(const QString& key, const QString& value) {
        ASSERT_TRUE(core.WriteConst(key, value, key));
    }
    void removeConst(const QString& key) {
        engine::Dataset& table = core.views.TableConst;
        ASSERT_TRUE(table.locate(QStringLiteral("ConstName"), key));
        table.remove();
    }

    // The send command with the answer Yes to its question.
    void send() {
        dialogs.answers.push_back(base::IDYES);
        sender.ActionSendExecute();
    }

    // A shell script as RAR.EXE in the program folder.
    void installFakeArchiver(const QByteArray& body) {
        testing_support::writeFile(folder.filePath("RAR.EXE"), "#!/bin/sh\n" + body, true);
    }
    // A fake archiver that writes its arguments and working folder to args.txt, prints a line
    // and makes the archive (its eighth argument) as an empty file.
    void installRecordingArchiver() {
        const QByteArray args = QFile::encodeName(argsFile);
        installFakeArchiver("printf '%s\\n' \"$@\" \"$(pwd)\" > \"" + args + "\"\n" +
                            "echo archiver output\n"
                            ": > \"$8\"\n");
    }
    // The built adapter as RAR.EXE in the program folder, as the build and installation lay
    // it out.
    void installAdapter() {
        ASSERT_TRUE(QFile::copy(QStringLiteral(PLATORIS_RAR_ADAPTER), folder.filePath("RAR.EXE")));
    }

    // The text, caption and style of every box since the day was opened.
    std::vector<std::tuple<QString, QString, int>> shownBoxes() const {
        std::vector<std::tuple<QString, QString, int>> shown;
        for (const auto& b : dialogs.boxes) shown.emplace_back(b.text, b.caption, b.style);
        return shown;
    }

    bool dayAndReferenceOpen() const {
        return core.views.TableDataSourceDayData.isOpen() && core.views.TableStartMoney.isOpen() &&
               core.views.TableConst.isOpen();
    }

    QString archive() const { return sendFolder + "/KZXR1013.RAR"; }
    QString listFile() const { return folder.filePath("AddRAR.LST"); }
    QByteArray expectedListFile() const {
        return QFile::encodeName(core.DayDir + "/*.*\r\n" + core.SpravDir + "/const.*\r\n");
    }

    static const inline auto kConfirmation = std::make_tuple(
        QStringLiteral("Подготовить данные за текущий день\n\rк отправке в управление?"),
        QStringLiteral("Внимание"), 0x124);
    static const inline auto kQueued = std::make_tuple(
        QStringLiteral("Файл поставлен в очередь на отправку."), QStringLiteral("Отправка"), 64);
    static const inline auto kNoArchive = std::make_tuple(
        QStringLiteral("Не удалось создать архив."), QStringLiteral("Отправка"), 16);

    dispatch::DayDispatch sender{core};
    // For every box, whether the day and the reference tables were open under it.
    std::vector<bool> tablesOpenAtBox;
    QString sendFolder = folder.filePath("send");
    QString noArchiverPath = folder.filePath("no-archiver");
    QString argsFile = folder.filePath("args.txt");

private:
    QString savedDir_;
    QByteArray savedPath_;
};

}  // namespace dispatchtest
