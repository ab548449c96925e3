#pragma once

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QString>
#include <cstddef>
#include <cstdint>

// Writes the fuzzer's input to a file of the given name in a private scratch folder.
inline QString writeFuzzFile(const char* name, const uint8_t* data, size_t size) {
    static const QString folder = [] {
        QString f = QDir::tempPath() + QStringLiteral("/platoris-fuzz-%1").arg(getpid());
        QDir().mkpath(f);
        return f;
    }();
    const QString path = folder + QLatin1Char('/') + QString::fromLatin1(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    return path;
}
