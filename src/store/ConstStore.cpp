#include "ConstStore.h"

namespace store {

bool ConstStore::ReadConst(const QString& key, QString& value) {
    if (!table_.isOpen()) return false;
    value.clear();
    // Rows added through the other views of the table (the plant name and send folder rows of
    // the directories window) are found too.
    table_.refresh();
    if (!table_.locate(QStringLiteral("ConstName"), key)) return false;
    value = table_.fieldByName(QStringLiteral("ConstVal")).asString();
    return true;
}

bool ConstStore::WriteConst(const QString& key, const QString& value, const QString& displayName) {
    if (!table_.isOpen()) return false;
    table_.refresh();
    if (table_.locate(QStringLiteral("ConstName"), key)) {
        table_.edit();
    } else {
        table_.append();
        table_.fieldByName(QStringLiteral("ConstName")).setAsString(key);
        table_.fieldByName(QStringLiteral("ViewName")).setAsString(displayName);
    }
    table_.fieldByName(QStringLiteral("ConstVal")).setAsString(value);
    table_.post();
    return true;
}

}  // namespace store
