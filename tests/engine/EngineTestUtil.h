#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cstdio>
#include <string>
#include <vector>

#include "ShellCommand.h"
#include "engine/DbfTable.h"
#include "engine/FieldDef.h"

namespace enginetest {

using testing_support::runCapture;
using testing_support::shellQuote;

inline bool haveDbfread() {
    int status = 1;
    runCapture("/usr/bin/python3 -c 'import dbfread' 2>/dev/null", &status);
    return status == 0;
}

inline bool havePerlXBase() {
    int status = 1;
    runCapture("perl -MXBase::Index -e 1 2>/dev/null", &status);
    return status == 0;
}

// The fields of a day table of payments, as the program's templates have them.
inline std::vector<engine::FieldDef> dayDataFields() {
    using engine::FieldKind;
    return {
        {"NPP", FieldKind::SmallInt, 4, 0},     {"KOMU", FieldKind::Text, 50, 0},
        {"SUBJECT", FieldKind::Text, 160, 0},   {"PAY_SUM", FieldKind::Float, 15, 2},
        {"BANK", FieldKind::Text, 50, 0},       {"PAY_DATA", FieldKind::Date, 8, 0},
        {"PAY_KIND_N", FieldKind::Text, 20, 0}, {"PAY_KIND_S", FieldKind::Text, 254, 0},
    };
}

inline QByteArray readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
}

}  // namespace enginetest
