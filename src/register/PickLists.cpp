#include "PickLists.h"

#include <QSet>
#include <array>

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
    code.reserve(19);
    name->clear();
    for (int i = 0; i < 5; ++i) {
        const int level = levels[i];
        if (level >= 0 && level <= 999) {
            code += QChar(u'0' + level / 100);
            code += QChar(u'0' + level / 10 % 10);
            code += QChar(u'0' + level % 10);
        } else {
            code += QString::number(level).rightJustified(3, QLatin1Char('0'));
        }
        if (i < 4) code += QLatin1Char('.');
        if (level > 0) *name = names[i];
    }
    return code;
}

namespace {

// The five groups of every code as numbers 0..999, or false when some group is not three
// digits (levels of 1000 and more shift the groups of the stored form).
bool numericGroups(const QStringList& codes, std::vector<std::array<int, 5>>* out) {
    out->resize(static_cast<size_t>(codes.size()));
    for (qsizetype i = 0; i < codes.size(); ++i) {
        for (int k = 0; k < 5; ++k) {
            const QString g = groupOf(codes[i], k);
            if (g.size() != 3) return false;
            int value = 0;
            for (QChar c : g) {
                if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
                value = value * 10 + (c.unicode() - u'0');
            }
            (*out)[static_cast<size_t>(i)][static_cast<size_t>(k)] = value;
        }
    }
    return true;
}

// Marks every entry that is the parent of a later one. s is the parent of a later t when, in
// the first group where they differ, s has "000": t shares s's groups before some group k
// where s has "000" and t has not. Walking from the end, the prefixes (groups before k) of
// later entries whose group k is not "000" are remembered per k.
template <class Key, class KeyOf, class IsZero>
std::vector<bool> parents(qsizetype n, KeyOf keyOf, IsZero isZero, const QStringList& codes) {
    QSet<Key> laterChild[5];
    std::vector<bool> parent(static_cast<size_t>(n), false);
    for (qsizetype i = n - 1; i >= 0; --i) {
        if (codes[i] != kAllZero) {
            for (int k = 0; k < 5; ++k)
                if (isZero(i, k) && laterChild[k].contains(keyOf(i, k))) {
                    parent[static_cast<size_t>(i)] = true;
                    break;
                }
        }
        for (int k = 0; k < 5; ++k)
            if (!isZero(i, k)) laterChild[k].insert(keyOf(i, k));
    }
    return parent;
}

}  // namespace

QStringList PickLists::pruneToLeaves(const QStringList& codes) {
    std::vector<bool> parent;
    std::vector<std::array<int, 5>> numbers;
    if (numericGroups(codes, &numbers)) {
        parent = parents<quint64>(
            codes.size(),
            [&](qsizetype i, int k) {
                quint64 key = 0;
                for (int g = 0; g < k; ++g) key = key * 1000 + static_cast<quint64>(numbers[static_cast<size_t>(i)][static_cast<size_t>(g)]);
                return key;
            },
            [&](qsizetype i, int k) { return numbers[static_cast<size_t>(i)][static_cast<size_t>(k)] == 0; },
            codes);
    } else {
        std::vector<QString> joined(static_cast<size_t>(codes.size()));
        for (qsizetype i = 0; i < codes.size(); ++i)
            for (int k = 0; k < 5; ++k) joined[static_cast<size_t>(i)] += groupOf(codes[i], k);
        parent = parents<QString>(
            codes.size(), [&](qsizetype i, int k) { return joined[static_cast<size_t>(i)].left(3 * k); },
            [&](qsizetype i, int k) { return groupOf(codes[i], k) == kZeroGroup; }, codes);
    }
    QStringList leaves;
    for (qsizetype i = 0; i < codes.size(); ++i)
        if (!parent[static_cast<size_t>(i)]) leaves << codes[i];
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
    // Runs for every record the catalogue query moves to: the fields are looked up once.
    if (calcDataset_ != &dataset) {
        for (int i = 0; i < 5; ++i) calcLevels_[i] = &dataset.fieldByName(QStringLiteral("Level%1").arg(i + 1));
        calcCodeLine_ = &dataset.fieldByName(QStringLiteral("CodeLine"));
        calcDataset_ = &dataset;
    }
    int levels[6];
    for (int i = 0; i < 5; ++i) levels[i] = calcLevels_[i]->asInteger();
    levels[5] = -1;  // end mark
    QString line;
    for (int i = 0; levels[i] >= 0; ++i) {
        line += QString::number(levels[i]);
        if (levels[i + 1] >= 0) line += QLatin1Char('.');
    }
    calcCodeLine_->setAsString(line);
}

}  // namespace reg
