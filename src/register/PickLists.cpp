#include "PickLists.h"

#include <QHash>

#include "RegisterCore.h"

namespace reg {

namespace {

const QString kAllZero = QStringLiteral("000.000.000.000.000");
const QString kZeroGroup = QStringLiteral("000");

// The five three-character groups of a code, at the places the stored form gives them.
QString groupOf(const QString& code, int group) { return code.mid(group * 4, 3); }

}  // namespace

QString PickLists::codeOf(const int levels[5], const QString names[5], QString* name) {
    QString code;
    name->clear();
    for (int i = 0; i < 5; ++i) {
        code += QStringLiteral("%1").arg(levels[i], 3, 10, QLatin1Char('0'));
        if (i < 4) code += QLatin1Char('.');
        if (levels[i] > 0) *name = names[i];
    }
    return code;
}

QStringList PickLists::pruneToLeaves(const QStringList& codes) {
    // s is the parent of a later t when, in the first group where they differ, s has "000".
    // That is: t shares s's groups before some group k where s has "000" and t has not.
    // Walking from the end, remember for each (k, groups before k) whether a later entry
    // has a non-zero group k there.
    QHash<QString, bool> laterChild;
    std::vector<bool> keep(static_cast<size_t>(codes.size()), true);
    for (qsizetype i = codes.size() - 1; i >= 0; --i) {
        const QString& s = codes[i];
        if (s != kAllZero) {
            QString prefix;
            for (int k = 0; k < 5; ++k) {
                if (groupOf(s, k) == kZeroGroup && laterChild.contains(QString::number(k) + QLatin1Char('|') + prefix)) {
                    keep[static_cast<size_t>(i)] = false;
                    break;
                }
                prefix += groupOf(s, k) + QLatin1Char('.');
            }
        }
        QString prefix;
        for (int k = 0; k < 5; ++k) {
            if (groupOf(s, k) != kZeroGroup) laterChild.insert(QString::number(k) + QLatin1Char('|') + prefix, true);
            prefix += groupOf(s, k) + QLatin1Char('.');
        }
    }
    QStringList leaves;
    for (qsizetype i = 0; i < codes.size(); ++i)
        if (keep[static_cast<size_t>(i)]) leaves << codes[i];
    return leaves;
}

bool PickLists::FillPickLists() {
    store::DataViews& v = core_.views;

    // Banks in use.
    expenseGrid.banks.clear();
    startMoneyGrid.banks.clear();
    incomeGrid.banks.clear();
    v.TableBankNames.first();
    for (int i = 0, n = v.TableBankNames.recordCount(); i < n; ++i) {
        if (v.TableBankNames.fieldByName(QStringLiteral("Used")).asBoolean()) {
            const QString bank = v.TableBankNames.fieldByName(QStringLiteral("ListVal")).asString();
            startMoneyGrid.banks << bank;
            expenseGrid.banks << bank;
            incomeGrid.banks << bank;
        }
        v.TableBankNames.next();
    }

    // Recipients.
    expenseGrid.recipients.clear();
    incomeGrid.recipients.clear();
    for (v.TableReciverNames.first(); !v.TableReciverNames.eof(); v.TableReciverNames.next()) {
        const QString name = v.TableReciverNames.fieldByName(QStringLiteral("ListVal")).asString();
        expenseGrid.recipients << name;
        incomeGrid.recipients << name;
    }

    // Codes.
    core_.KindCodeList.clear();
    expenseGrid.codes.clear();
    incomeGrid.codes.clear();
    QStringList codes;
    engine::Dataset& kinds = v.TableKindList;
    engine::Field* levelFields[5];
    engine::Field* nameFields[5];
    for (int i = 0; i < 5; ++i) {
        levelFields[i] = &kinds.fieldByName(QStringLiteral("Level%1").arg(i + 1));
        nameFields[i] = &kinds.fieldByName(QStringLiteral("Name%1").arg(i + 1));
    }
    kinds.disableControls();
    try {
        for (kinds.first(); !kinds.eof(); kinds.next()) {
            int levels[5];
            QString names[5];
            for (int i = 0; i < 5; ++i) {
                levels[i] = levelFields[i]->asInteger();
                names[i] = nameFields[i]->asString();
            }
            QString name;
            const QString code = codeOf(levels, names, &name);
            codes << code;
            const QString entry = code + QStringLiteral("  ") + name;
            if (entry.startsWith(QLatin1String("001"))) incomeGrid.codes << entry;
            else expenseGrid.codes << entry;
        }
    } catch (...) {
        kinds.enableControls();
        core_.KindCodeList = codes;
        throw;
    }
    kinds.enableControls();
    core_.KindCodeList = pruneToLeaves(codes);

    // Purposes.
    expenseGrid.purposes.clear();
    incomeGrid.purposes.clear();
    for (v.TablePayKind.first(); !v.TablePayKind.eof(); v.TablePayKind.next()) {
        const QString purpose = v.TablePayKind.fieldByName(QStringLiteral("ListVal")).asString();
        expenseGrid.purposes << purpose;
        incomeGrid.purposes << purpose;
    }
    return true;
}

void PickLists::TableKindListCalcFields(engine::Dataset& dataset) {
    int levels[6];
    for (int i = 0; i < 5; ++i) levels[i] = dataset.fieldByName(QStringLiteral("Level%1").arg(i + 1)).asInteger();
    levels[5] = -1;  // end mark
    QString line;
    for (int i = 0; levels[i] >= 0; ++i) {
        line += QString::number(levels[i]);
        if (levels[i + 1] >= 0) line += QLatin1Char('.');
    }
    dataset.fieldByName(QStringLiteral("CodeLine")).setAsString(line);
}

}  // namespace reg
