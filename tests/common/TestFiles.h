#pragma once

#include <gtest/gtest.h>

#include <QFile>

namespace testing_support {

inline void writeFile(const QString& path, const QByteArray& data, bool executable = false) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    f.write(data);
    f.close();
    if (executable) {
        ASSERT_TRUE(f.setPermissions(f.permissions() | QFile::ExeOwner));
    }
}

inline QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

}  // namespace testing_support
