#pragma once

#include <gtest/gtest.h>

#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

namespace testing_support {

// 7-Zip (p7zip-full, installed by scripts/deps) as an independent reader of the archives.
// It always gets a password and a null standard input, so it never waits for one.
class SevenZip {
public:
    // One archive entry as "7z l -slt" lists it.
    struct Entry {
        QString method;
        bool encrypted = false;
    };

    SevenZip() : program_(QStandardPaths::findExecutable(QStringLiteral("7z"))) {}
    // Empty when 7z is missing; tests assert on it instead of skipping.
    const QString& program() const { return program_; }

    // Runs 7z with the arguments; its exit code (-1 when it did not run).
    int run(const QStringList& arguments, QByteArray* output = nullptr) const {
        QProcess p;
        p.setStandardInputFile(QProcess::nullDevice());
        p.start(program_, arguments);
        if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit) return -1;
        if (output) *output = p.readAllStandardOutput();
        return p.exitCode();
    }

    // The entries of an archive by name; empty when 7z cannot read it with this password.
    QMap<QString, Entry> list(const QString& archive, const QString& password) const {
        QByteArray out;
        if (run({"l", "-slt", "-p" + password, "--", archive}, &out) != 0) return {};
        QMap<QString, Entry> entries;
        QString current;
        bool inEntries = false;
        for (const QByteArray& raw : out.split('\n')) {
            const QString line = QString::fromUtf8(raw).trimmed();
            if (line == QLatin1String("----------")) inEntries = true;
            if (!inEntries) continue;
            if (line.startsWith(QLatin1String("Path = ")))
                current = line.mid(7);
            else if (line.startsWith(QLatin1String("Method = ")))
                entries[current].method = line.mid(9);
            else if (line == QLatin1String("Encrypted = +"))
                entries[current].encrypted = true;
        }
        return entries;
    }

    // Extracts every entry into a folder; true when 7z succeeded.
    bool extract(const QString& archive, const QString& password, const QString& folder) const {
        return run({"x", "-y", "-p" + password, "-o" + folder, "--", archive}) == 0;
    }

private:
    QString program_;
};

}  // namespace testing_support
