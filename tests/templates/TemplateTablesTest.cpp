// Checks the template tables that the build lays out in the program folder: their files,
// their structure read back through the engine and through independent dBase readers, the
// views of the main window opened over them, and the soundness of the sample reference
// data that a new installation starts with.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "ShellCommand.h"
#include "TableIo.h"
#include "engine/Dataset.h"
#include "engine/DbfTable.h"
#include "engine/Field.h"
#include "engine/KindListQuery.h"
#include "engine/ParadoxTable.h"

using engine::FieldKind;
using testing_support::runCapture;
using testing_support::shellQuote;

// Readable failure messages for Qt strings.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace {

// ---------------------------------------------------------------------------------------
// What the program expects of each template table.

struct Column {
    const char* name;
    FieldKind kind;
    int width;  // characters for text; bytes in the record for the rest
    int decimals;
    char dbfType;  // the dBase type letter; 0 for Paradox fields
};

struct TemplateTable {
    const char* folder;  // below Template
    const char* file;
    std::vector<Column> columns;
    const char* tagName;    // the production index tag of a dBase table, or null
    const char* indexFile;  // its .MDX file, or null
    bool emptyTemplate;
};

const std::vector<TemplateTable>& templateTables() {
    static const std::vector<TemplateTable> tables = {
        {"Data",
         "DayData.DBF",
         {{"NPP", FieldKind::SmallInt, 4, 0, 'N'},
          {"KOMU", FieldKind::Text, 50, 0, 'C'},
          {"SUBJECT", FieldKind::Text, 160, 0, 'C'},
          {"PAY_SUM", FieldKind::Float, 15, 2, 'N'},
          {"BANK", FieldKind::Text, 50, 0, 'C'},
          {"PAY_DATA", FieldKind::Date, 8, 0, 'D'},
          {"PAY_KIND_N", FieldKind::Text, 20, 0, 'C'},
          {"PAY_KIND_S", FieldKind::Text, 254, 0, 'C'}},
         "NPP",
         "DayData.MDX",
         true},
        {"Data",
         "StartMoney.dbf",
         {{"BANK_NAME", FieldKind::Text, 50, 0, 'C'},
          {"START_SUM", FieldKind::Float, 15, 2, 'N'},
          {"PAY_DATA", FieldKind::Date, 8, 0, 'D'}},
         nullptr,
         nullptr,
         true},
        {"Sprav",
         "Const.db",
         {{"ConstName", FieldKind::Text, 15, 0, 0},
          {"ViewName", FieldKind::Text, 50, 0, 0},
          {"ConstVal", FieldKind::Text, 130, 0, 0}},
         nullptr,
         nullptr,
         false},
        {"Sprav",
         "BankNames.db",
         {{"ListVal", FieldKind::Text, 180, 0, 0}, {"Used", FieldKind::Boolean, 1, 0, 0}},
         nullptr,
         nullptr,
         false},
        {"Sprav", "PayKind.db", {{"ListVal", FieldKind::Text, 180, 0, 0}}, nullptr, nullptr, false},
        {"Sprav",
         "ReciverNames.db",
         {{"ListVal", FieldKind::Text, 180, 0, 0}},
         nullptr,
         nullptr,
         false},
        {"Sprav",
         "PlantNames.dbf",
         {{"SENDPREFIX", FieldKind::Text, 2, 0, 'C'}, {"PLANT_NAME", FieldKind::Text, 160, 0, 'C'}},
         "SENDPREFIX",
         "PlantNames.MDX",
         false},
        {"Sprav",
         "KindList.DBF",
         {{"LEVEL1", FieldKind::SmallInt, 4, 0, 'N'},
          {"LEVEL2", FieldKind::SmallInt, 4, 0, 'N'},
          {"LEVEL3", FieldKind::SmallInt, 4, 0, 'N'},
          {"LEVEL4", FieldKind::SmallInt, 4, 0, 'N'},
          {"LEVEL5", FieldKind::SmallInt, 4, 0, 'N'},
          {"NAME1", FieldKind::Text, 50, 0, 'C'},
          {"NAME2", FieldKind::Text, 50, 0, 'C'},
          {"NAME3", FieldKind::Text, 50, 0, 'C'},
          {"NAME4", FieldKind::Text, 50, 0, 'C'},
          {"NAME5", FieldKind::Text, 50, 0, 'C'}},
         nullptr,
         nullptr,
         false},
    };
    return tables;
}

bool isDbase(const TemplateTable& t) {
    return QString::fromLatin1(t.file).endsWith(QLatin1String("dbf"), Qt::CaseInsensitive);
}

QString sourcePath(const TemplateTable& t, const char* ext) {
    return QStringLiteral(TEMPLATE_SOURCE_DIR "/%1/%2.%3")
        .arg(QLatin1String(t.folder), QLatin1String(t.file), QLatin1String(ext));
}

// ---------------------------------------------------------------------------------------
// Helpers.

bool commandWorks(const char* command) {
    int status = 1;
    runCapture(std::string(command) + " >/dev/null 2>&1", &status);
    return status == 0;
}

// Every test works on its own copy of the template folder, so nothing a test does can
// touch the program folder the build laid out.
class TemplateCopy {
public:
    TemplateCopy() {
        const QDir from(QStringLiteral(TEMPLATE_DIR));
        for (const char* folder : {"Data", "Sprav"}) {
            QDir().mkpath(dir_.filePath(QLatin1String(folder)));
            const QDir sub(from.filePath(QLatin1String(folder)));
            for (const QString& f : sub.entryList(QDir::Files))
                QFile::copy(sub.filePath(f),
                            dir_.filePath(QLatin1String(folder) + QLatin1Char('/') + f));
        }
    }
    QString folder(const char* name) const { return dir_.filePath(QLatin1String(name)); }
    QString file(const TemplateTable& t) const {
        return folder(t.folder) + QLatin1Char('/') + QLatin1String(t.file);
    }

private:
    QTemporaryDir dir_;
};

std::shared_ptr<engine::TableFile> openTable(const QString& path) {
    if (path.endsWith(QLatin1String(".db"), Qt::CaseInsensitive))
        return engine::ParadoxTable::open(path, false);
    return engine::DbfTable::open(path, false);
}

// The live records of a table as the engine reads them.
std::vector<engine::Record> liveRecords(const engine::TableFile& table) {
    std::vector<engine::Record> rows;
    for (int s = 0; s < table.slotCount(); ++s)
        if (!table.isDeleted(s)) rows.push_back(table.record(s));
    return rows;
}

QString text(const QVariant& v) {
    return v.isNull() ? QString() : v.toString();
}

const TemplateTable& tableNamed(const char* file) {
    for (const TemplateTable& t : templateTables())
        if (qstrcmp(t.file, file) == 0) return t;
    throw std::logic_error(file);
}

// ---------------------------------------------------------------------------------------
// Files and structure.

TEST(TemplateFiles, FoldersHoldExactlyTheTableFilesUnderTheirExactNames) {
    std::map<QString, QStringList> expected;
    for (const TemplateTable& t : templateTables()) {
        expected[QLatin1String(t.folder)] << QLatin1String(t.file);
        if (t.indexFile) expected[QLatin1String(t.folder)] << QLatin1String(t.indexFile);
    }
    ASSERT_EQ(QDir(QStringLiteral(TEMPLATE_DIR))
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{QStringLiteral("Data"), QStringLiteral("Sprav")}));
    for (auto& [folder, files] : expected) {
        files.sort();
        // Hidden entries too: a scratch folder left behind by a failed build would show here.
        QStringList found = QDir(QStringLiteral(TEMPLATE_DIR "/") + folder)
                                .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        found.sort();
        EXPECT_EQ(found, files) << folder.toStdString();
    }
}

TEST(TemplateStructure, FieldsTypesAndWidthsReadBackThroughTheEngine) {
    TemplateCopy copy;
    for (const TemplateTable& t : templateTables()) {
        SCOPED_TRACE(t.file);
        std::shared_ptr<engine::TableFile> table;
        ASSERT_NO_THROW(table = openTable(copy.file(t)));
        EXPECT_EQ(table->format(), isDbase(t) ? engine::TableFile::Format::DBase
                                              : engine::TableFile::Format::Paradox);
        const auto& fields = table->fields();
        ASSERT_EQ(fields.size(), t.columns.size());
        for (size_t i = 0; i < fields.size(); ++i) {
            const Column& c = t.columns[i];
            SCOPED_TRACE(c.name);
            EXPECT_EQ(fields[i].name, QLatin1String(c.name));  // letter case too
            EXPECT_EQ(fields[i].kind, c.kind)
                << engine::fieldKindName(fields[i].kind).toStdString();
            if (isDbase(t)) {
                EXPECT_EQ(fields[i].nativeType, c.dbfType) << "dBase type letter";
            }
            // Paradox keeps short, number and date fields in their fixed binary sizes.
            if (c.kind == FieldKind::Text || c.kind == FieldKind::Boolean || isDbase(t)) {
                EXPECT_EQ(fields[i].width, c.width);
                EXPECT_EQ(fields[i].decimals, c.decimals);
            }
        }
        std::vector<std::pair<QString, QString>> tags;
        for (const engine::TagDef& tag : table->tags()) tags.emplace_back(tag.name, tag.expression);
        if (t.tagName)
            EXPECT_EQ(tags, (std::vector<std::pair<QString, QString>>{
                                {QLatin1String(t.tagName), QLatin1String(t.tagName)}}));
        else
            EXPECT_TRUE(tags.empty());
    }
}

TEST(TemplateStructure, TablesHoldExactlyTheRowsOfTheirSources) {
    TemplateCopy copy;
    for (const TemplateTable& t : templateTables()) {
        SCOPED_TRACE(t.file);
        QFile csvFile(sourcePath(t, "csv"));
        ASSERT_TRUE(csvFile.open(QIODevice::ReadOnly));
        const std::vector<QStringList> csv =
            tabletool::parseCsv(QString::fromUtf8(csvFile.readAll()));
        ASSERT_FALSE(csv.empty());
        // The source names every field in table order, so a row compares cell by cell.
        QStringList names;
        for (const Column& c : t.columns) names << QLatin1String(c.name);
        ASSERT_EQ(csv[0], names);

        const auto table = openTable(copy.file(t));
        const std::vector<engine::Record> rows = liveRecords(*table);
        EXPECT_EQ(table->slotCount(), static_cast<int>(rows.size())) << "no deleted records";
        ASSERT_EQ(rows.size(), csv.size() - 1);
        for (size_t r = 0; r < rows.size(); ++r) {
            for (size_t f = 0; f < t.columns.size(); ++f) {
                const QVariant& v = rows[r][f];
                const QString& cell = csv[r + 1][static_cast<qsizetype>(f)];
                QString got;
                switch (t.columns[f].kind) {
                    case FieldKind::Boolean:
                        got = v.isNull()   ? QString()
                              : v.toBool() ? QStringLiteral("T")
                                           : QStringLiteral("F");
                        break;
                    case FieldKind::SmallInt:
                        got = v.isNull() ? QString() : QString::number(v.toInt());
                        break;
                    default:
                        got = text(v);
                }
                EXPECT_EQ(got, cell) << "row " << r + 1 << ", field " << t.columns[f].name;
            }
        }
    }
}

TEST(TemplateStructure, DataTemplatesAreEmpty) {
    TemplateCopy copy;
    for (const TemplateTable& t : templateTables()) {
        if (!t.emptyTemplate) continue;
        const auto table = openTable(copy.file(t));
        EXPECT_EQ(table->slotCount(), 0) << t.file;
        EXPECT_EQ(QLatin1String(t.folder), QLatin1String("Data"));
    }
}

// Header, fields and rows of every dBase template as the independent reader dbfread sees
// them, compared with what the program expects and with the CSV source.
TEST(TemplateStructure, DbaseTablesReadByDbfread) {
    if (!commandWorks("/usr/bin/python3 -c 'import dbfread'"))
        GTEST_SKIP() << "python3-dbfread is not installed";
    QTemporaryDir scratch;
    const QString script = scratch.filePath(QStringLiteral("dump.py"));
    {
        QFile f(script);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(R"PY(
import sys, json, datetime
from dbfread import DBF
t = DBF(sys.argv[1], encoding='cp1251', char_decode_errors='strict')
h = t.header
def plain(v):
    return v.isoformat() if isinstance(v, datetime.date) else v
print(json.dumps({
    'version': h.dbversion, 'ldid': h.language_driver, 'mdx': h.mdx_flag, 'count': h.numrecords,
    'fields': [[f.name, f.type, f.length, f.decimal_count] for f in t.fields],
    'records': [[plain(r[f.name]) for f in t.fields] for r in t],
    'deleted': len(list(t.deleted)),
}, ensure_ascii=False))
)PY");
    }
    TemplateCopy copy;
    for (const TemplateTable& t : templateTables()) {
        if (!isDbase(t)) continue;
        SCOPED_TRACE(t.file);
        int status = -1;
        const std::string out = runCapture(
            "/usr/bin/python3 " + shellQuote(script) + " " + shellQuote(copy.file(t)) + " 2>&1",
            &status);
        ASSERT_EQ(status, 0) << out;
        const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(out)).object();
        ASSERT_FALSE(o.isEmpty()) << out;
        EXPECT_EQ(o[QLatin1String("version")].toInt(), 0x03);
        EXPECT_EQ(o[QLatin1String("ldid")].toInt(), 0xC9) << "Windows-1251 language driver";
        EXPECT_EQ(o[QLatin1String("mdx")].toInt(), t.tagName ? 1 : 0) << "production index flag";
        EXPECT_EQ(o[QLatin1String("deleted")].toInt(), 0);

        const QJsonArray fields = o[QLatin1String("fields")].toArray();
        ASSERT_EQ(fields.size(), static_cast<qsizetype>(t.columns.size()));
        for (qsizetype i = 0; i < fields.size(); ++i) {
            const Column& c = t.columns[static_cast<size_t>(i)];
            const QJsonArray f = fields[i].toArray();
            EXPECT_EQ(f[0].toString(), QLatin1String(c.name));
            EXPECT_EQ(f[1].toString(), QString(QLatin1Char(c.dbfType))) << c.name;
            EXPECT_EQ(f[2].toInt(), c.width) << c.name;
            EXPECT_EQ(f[3].toInt(), c.decimals) << c.name;
        }

        QFile csvFile(sourcePath(t, "csv"));
        ASSERT_TRUE(csvFile.open(QIODevice::ReadOnly));
        const std::vector<QStringList> csv =
            tabletool::parseCsv(QString::fromUtf8(csvFile.readAll()));
        const QJsonArray records = o[QLatin1String("records")].toArray();
        EXPECT_EQ(o[QLatin1String("count")].toInt(), records.size());
        ASSERT_EQ(records.size(), static_cast<qsizetype>(csv.size() - 1));
        for (qsizetype r = 0; r < records.size(); ++r) {
            const QJsonArray rec = records[r].toArray();
            for (qsizetype f = 0; f < rec.size(); ++f) {
                const QString& cell = csv[static_cast<size_t>(r + 1)][f];
                const QJsonValue v = rec[f];
                if (v.isDouble())
                    EXPECT_EQ(v.toDouble(), cell.toDouble()) << "row " << r + 1 << " field " << f;
                else
                    EXPECT_EQ(v.toString(), cell) << "row " << r + 1 << " field " << f;
            }
        }
    }
}

// The .MDX files as the independent reader XBase::Index (Perl) walks them.
TEST(TemplateStructure, IndexTagsWalkedByXBaseIndex) {
    if (!commandWorks("perl -MXBase::Index -e 1"))
        GTEST_SKIP() << "libdbd-xbase-perl is not installed";
    TemplateCopy copy;
    const char* walk = R"PL(perl -MXBase::Index -e '
        $p = XBase::Index->new($ARGV[0]) or die XBase::Index->errstr;
        print join(",", $p->tags), "\n";
        $i = XBase::Index->new($ARGV[0], tag => $ARGV[1]) or die XBase::Index->errstr;
        $i->prepare_select or die $i->errstr;
        while (($k, $r) = $i->fetch) { print "$k $r\n" }' )PL";
    for (const TemplateTable& t : templateTables()) {
        if (!t.indexFile) continue;
        SCOPED_TRACE(t.file);
        int status = -1;
        const QString mdx = copy.folder(t.folder) + QLatin1Char('/') + QLatin1String(t.indexFile);
        const std::string out =
            runCapture(std::string(walk) + shellQuote(mdx) + " " + t.tagName + " 2>&1", &status);
        ASSERT_EQ(status, 0) << out;
        QStringList lines =
            QString::fromStdString(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        ASSERT_FALSE(lines.isEmpty());
        EXPECT_EQ(lines.takeFirst(), QLatin1String(t.tagName));

        const auto table = openTable(copy.file(t));
        ASSERT_EQ(lines.size(), table->slotCount()) << "one key per record";
        const int keyField = table->fieldIndex(QLatin1String(t.tagName));
        ASSERT_GE(keyField, 0);
        if (table->fields()[static_cast<size_t>(keyField)].kind != FieldKind::Text) continue;
        // A character tag: the keys come in ascending order and point at the right records.
        QString previous;
        for (const QString& line : lines) {
            const QStringList parts = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            ASSERT_EQ(parts.size(), 2) << line.toStdString();
            const int recNo = parts[1].toInt();
            ASSERT_GE(recNo, 1);
            ASSERT_LE(recNo, table->slotCount());
            EXPECT_EQ(parts[0], text(table->value(recNo - 1, keyField)));
            EXPECT_LT(previous, parts[0]);
            previous = parts[0];
        }
    }
}

// The views of the main window open over the templates with the fields they declare,
// their filters and their index, as day opening and the directories window open them.
TEST(TemplateStructure, ProgramViewsOpenOverTheTemplates) {
    TemplateCopy copy;
    using engine::FieldSpec;
    const std::vector<FieldSpec> dayFields = {
        {"NPP", FieldKind::SmallInt},        {"KOMU", FieldKind::Text, 50},
        {"SUBJECT", FieldKind::Text, 160},   {"PAY_SUM", FieldKind::Float},
        {"BANK", FieldKind::Text, 50},       {"PAY_DATA", FieldKind::Date},
        {"PAY_KIND_N", FieldKind::Text, 20}, {"PAY_KIND_S", FieldKind::Text, 254}};
    const std::vector<FieldSpec> moneyFields = {{"BANK_NAME", FieldKind::Text, 50},
                                                {"START_SUM", FieldKind::Float},
                                                {"PAY_DATA", FieldKind::Date}};
    const std::vector<FieldSpec> constFields = {{"ConstName", FieldKind::Text, 15},
                                                {"ViewName", FieldKind::Text, 50},
                                                {"ConstVal", FieldKind::Text, 130}};
    const std::vector<FieldSpec> listFields = {{"ListVal", FieldKind::Text, 180}};
    std::vector<FieldSpec> kindFields;
    for (int i = 1; i <= 5; ++i)
        kindFields.push_back({QStringLiteral("LEVEL%1").arg(i), FieldKind::SmallInt});
    for (int i = 1; i <= 5; ++i)
        kindFields.push_back({QStringLiteral("NAME%1").arg(i), FieldKind::Text});
    kindFields.push_back({QStringLiteral("CodeLine"), FieldKind::Text, 20, true});

    struct View {
        const char* folder;
        const char* table;
        std::vector<FieldSpec> fields;
        const char* filter;
        const char* index;
        int expectedCount;  // -1: the whole table
    };
    const int constRows =
        static_cast<int>(openTable(copy.file(tableNamed("Const.db")))->slotCount());
    const std::vector<View> views = {
        {"Data", "DayData.DBF", dayFields, "[PAY_KIND_N]<>'001*' AND [PAY_KIND_N]<>'100*'", "", 0},
        {"Data", "DayData.DBF", dayFields, "[PAY_KIND_N]='001.*' OR [PAY_KIND_N]='100.*'", "", 0},
        {"Data", "StartMoney.dbf", moneyFields, "BANK_NAME <> '<Income>'", "", 0},
        {"Data", "StartMoney.dbf", moneyFields, "BANK_NAME = '<Income>'", "", 0},
        {"Sprav",
         "BankNames.db",
         {{"ListVal", FieldKind::Text, 180}, {"Used", FieldKind::Boolean}},
         "",
         "",
         -1},
        {"Sprav", "PayKind.db", listFields, "", "", -1},
        {"Sprav", "ReciverNames.db", listFields, "", "", -1},
        {"Sprav", "Const.db", constFields, "", "", -1},
        {"Sprav",
         "PlantNames.dbf",
         {{"SENDPREFIX", FieldKind::Text, 2}, {"PLANT_NAME", FieldKind::Text, 160}},
         "",
         "SENDPREFIX",
         -1},
        {"Sprav", "Const.db", constFields, "ConstName = 'PlantName'", "", 1},
        {"Sprav", "Const.db", constFields, "ConstName = 'RodazPath'", "", 1},
        {"Sprav", "Const.db", constFields, "ConstName <> 'RodazPath' AND ConstName <> 'PlantName'",
         "", constRows - 2},
        {"Sprav", "KindList.DBF", kindFields, "", "", -1},
    };
    for (const View& v : views) {
        SCOPED_TRACE(std::string(v.table) + " " + v.filter);
        engine::Dataset d;
        d.setFolder(copy.folder(v.folder));
        d.setTableName(QLatin1String(v.table));
        d.setFilter(QString::fromUtf8(v.filter));
        d.setIndexName(QLatin1String(v.index));
        for (const FieldSpec& f : v.fields) d.addField(f);
        ASSERT_NO_THROW(d.open());
        const int whole = openTable(d.tablePath())->slotCount();
        EXPECT_EQ(d.recordCount(), v.expectedCount < 0 ? whole : v.expectedCount);
        if (QLatin1String(v.index) == QLatin1String("SENDPREFIX")) {
            // The plant list follows the prefix order.
            QStringList prefixes;
            for (d.first(); !d.eof(); d.next())
                prefixes << d.fieldByName(QStringLiteral("SENDPREFIX")).asString();
            QStringList sorted = prefixes;
            sorted.sort();
            EXPECT_EQ(prefixes, sorted);
            EXPECT_EQ(prefixes.size(), whole);
        }
        d.close();
    }

    // The catalogue query with the text the main window gives it.
    engine::KindListQuery q;
    q.setFolder(copy.folder("Sprav"));
    q.setSql({QStringLiteral("select "), QStringLiteral("Level1, Level2, Level3, Level4, Level5,"),
              QStringLiteral("Name1, Name2, Name3, Name4, Name5"),
              QStringLiteral("from KindList.DBF")});
    for (int i = 1; i <= 5; ++i)
        q.addField({QStringLiteral("Level%1").arg(i), FieldKind::SmallInt});
    for (int i = 1; i <= 5; ++i) q.addField({QStringLiteral("Name%1").arg(i), FieldKind::Text});
    q.addField({QStringLiteral("CodeLine"), FieldKind::Text, 20, true});
    ASSERT_NO_THROW(q.open());
    EXPECT_EQ(q.recordCount(), openTable(copy.file(tableNamed("KindList.DBF")))->slotCount());
    q.close();
}

// ---------------------------------------------------------------------------------------
// The sample reference data.

struct CatalogueRow {
    std::array<int, 5> level{};
    std::array<QString, 5> name;
    int depth = 0;  // the number of leading non-zero levels

    // The code as the pick lists and the day records carry it: five three-digit groups.
    QString code() const {
        QStringList groups;
        for (int v : level) groups << QStringLiteral("%1").arg(v, 3, 10, QLatin1Char('0'));
        return groups.join(QLatin1Char('.'));
    }
    bool isAncestorOf(const CatalogueRow& o) const {
        if (o.depth <= depth) return false;
        for (int i = 0; i < depth; ++i)
            if (level[static_cast<size_t>(i)] != o.level[static_cast<size_t>(i)]) return false;
        return true;
    }
};

// The leaf pruning of the code list the day window accepts codes from: repeatedly drop the
// first entry that is a parent of a later one (the first group in which they differ is
// "000" in the entry). Duplicates and the all-zero code stay.
QStringList pruneToLeaves(QStringList codes) {
    for (bool removed = true; removed;) {
        removed = false;
        for (qsizetype i = 0; i < codes.size() && !removed; ++i) {
            const QString s = codes[i];
            if (s == QLatin1String("000.000.000.000.000")) continue;
            for (qsizetype j = i + 1; j < codes.size() && !removed; ++j) {
                int g = 0;
                while (g < 5 && s.mid(g * 4, 3) == codes[j].mid(g * 4, 3)) ++g;
                if (g < 5 && s.mid(g * 4, 3) == QLatin1String("000")) {
                    codes.removeAt(i);
                    removed = true;
                }
            }
        }
    }
    return codes;
}

class TemplateSampleData : public ::testing::Test {
protected:
    TemplateCopy copy;
    // The rows of a reference table as the engine reads them.
    std::vector<engine::Record> rows(const char* file) {
        return liveRecords(*openTable(copy.file(tableNamed(file))));
    }
    std::vector<CatalogueRow> catalogue() {
        std::vector<CatalogueRow> out;
        for (const engine::Record& r : rows("KindList.DBF")) {
            CatalogueRow row;
            for (size_t i = 0; i < 5; ++i) {
                row.level[i] = r[i].isNull() ? 0 : r[i].toInt();
                row.name[i] = text(r[i + 5]);
            }
            while (row.depth < 5 && row.level[static_cast<size_t>(row.depth)] > 0) ++row.depth;
            out.push_back(row);
        }
        return out;
    }
};

TEST_F(TemplateSampleData, CatalogueIsATreeInCatalogueOrder) {
    const std::vector<CatalogueRow> cat = catalogue();
    EXPECT_GE(cat.size(), 60u);
    bool fiveLevelIncome = false, fiveLevelExpense = false;
    for (size_t i = 0; i < cat.size(); ++i) {
        const CatalogueRow& row = cat[i];
        SCOPED_TRACE(row.code().toStdString());
        for (size_t l = 0; l < 5; ++l) {
            EXPECT_GE(row.level[l], 0);
            EXPECT_LT(row.level[l], 1000) << "a group of the code has three digits";
            EXPECT_LE(row.name[l].size(), 50);
        }
        EXPECT_EQ(row.code().size(), 19);
        ASSERT_GE(row.depth, 1) << "no all-zero row";
        // Zero means no subdivision: nothing below a zero level, and a name exactly for
        // every level in use (the catalogue text indents by the filled names).
        for (int l = 0; l < 5; ++l) {
            const size_t k = static_cast<size_t>(l);
            if (l < row.depth) {
                EXPECT_FALSE(row.name[k].trimmed().isEmpty()) << "level " << l + 1;
            } else {
                EXPECT_EQ(row.level[k], 0) << "level " << l + 1 << " after a zero";
                EXPECT_TRUE(row.name[k].isEmpty()) << "level " << l + 1;
            }
        }
        if (row.depth == 5) (row.level[0] == 1 ? fiveLevelIncome : fiveLevelExpense) = true;
        // Strictly ascending codes: no duplicates, and every parent before its children.
        if (i > 0) {
            EXPECT_LT(cat[i - 1].code(), row.code());
        }
        if (row.depth > 1) {
            // The parent is listed earlier, and the row repeats its parent's names.
            const auto parent =
                std::find_if(cat.begin(), cat.begin() + static_cast<std::ptrdiff_t>(i),
                             [&](const CatalogueRow& p) {
                                 return p.depth == row.depth - 1 && p.isAncestorOf(row);
                             });
            ASSERT_NE(parent, cat.begin() + static_cast<std::ptrdiff_t>(i))
                << "parent missing or after the row";
            for (int l = 0; l < row.depth - 1; ++l)
                EXPECT_EQ(row.name[static_cast<size_t>(l)], parent->name[static_cast<size_t>(l)]);
        }
    }
    EXPECT_TRUE(fiveLevelIncome);
    EXPECT_TRUE(fiveLevelExpense);
}

TEST_F(TemplateSampleData, CatalogueLeafCodesCoverIncomesAndExpenses) {
    const std::vector<CatalogueRow> cat = catalogue();
    QStringList codes, treeLeaves;
    for (const CatalogueRow& row : cat) {
        codes << row.code();
        if (std::none_of(cat.begin(), cat.end(),
                         [&](const CatalogueRow& o) { return row.isAncestorOf(o); }))
            treeLeaves << row.code();
    }
    // In catalogue order the program's pruning keeps exactly the rows without children.
    const QStringList leaves = pruneToLeaves(codes);
    EXPECT_EQ(leaves, treeLeaves);

    int incomeLeaves = 0;
    QSet<QString> expenseClasses;
    for (const QString& code : leaves) {
        // Codes beginning "100" would be offered as expenses but booked as incomes.
        EXPECT_FALSE(code.startsWith(QLatin1String("100"))) << code.toStdString();
        if (code.startsWith(QLatin1String("001.")))
            ++incomeLeaves;
        else
            expenseClasses.insert(code.left(3));
    }
    EXPECT_GE(incomeLeaves, 5);
    EXPECT_GE(expenseClasses.size(), 5);
    // The income class is there with its name, and every class has a leaf.
    ASSERT_FALSE(cat.empty());
    EXPECT_EQ(cat.front().code(), QLatin1String("001.000.000.000.000"));
    for (const CatalogueRow& row : cat) {
        if (row.depth != 1) continue;
        EXPECT_TRUE(std::any_of(leaves.begin(), leaves.end(), [&](const QString& c) {
            return c.startsWith(row.code().left(4));
        })) << row.code().toStdString();
    }
}

// The pick-list tables: every entry fits the day field it is copied into, and none twice.
TEST_F(TemplateSampleData, PickListsFitTheDayFields) {
    struct List {
        const char* file;
        int fieldWidth;  // the day field the entry goes into
        size_t atLeast;
    };
    for (const List& l : {List{"BankNames.db", 50, 4}, List{"ReciverNames.db", 50, 10},
                          List{"PayKind.db", 160, 10}}) {
        SCOPED_TRACE(l.file);
        const std::vector<engine::Record> rs = rows(l.file);
        EXPECT_GE(rs.size(), l.atLeast);
        QSet<QString> seen;
        for (const engine::Record& r : rs) {
            const QString v = text(r[0]);
            EXPECT_FALSE(v.isEmpty());
            EXPECT_EQ(v, v.trimmed());
            EXPECT_LE(v.size(), l.fieldWidth) << v.toStdString();
            EXPECT_FALSE(v.contains(QLatin1Char('\''))) << v.toStdString();
            EXPECT_FALSE(seen.contains(v)) << "twice: " << v.toStdString();
            seen.insert(v);
        }
    }
}

TEST_F(TemplateSampleData, BanksHaveAnExplicitInUseMarkAndSomeAreUsed) {
    int used = 0, unused = 0;
    for (const engine::Record& r : rows("BankNames.db")) {
        ASSERT_FALSE(r[1].isNull()) << text(r[0]).toStdString();
        (r[1].toBool() ? used : unused) += 1;
        EXPECT_NE(text(r[0]), QLatin1String("<Income>"));
    }
    EXPECT_GE(used, 1);
    EXPECT_GE(unused, 1);
}

TEST_F(TemplateSampleData, PlantPrefixesAreUniqueTwoLetterLatin) {
    const std::vector<engine::Record> plants = rows("PlantNames.dbf");
    EXPECT_GE(plants.size(), 3u);
    const QRegularExpression twoLetters(QStringLiteral("^[A-Z]{2}$"));
    QSet<QString> prefixes, names;
    for (const engine::Record& r : plants) {
        const QString prefix = text(r[0]), name = text(r[1]);
        // The prefix starts the archive file name: two ASCII capitals, nothing else.
        EXPECT_TRUE(twoLetters.match(prefix).hasMatch()) << prefix.toStdString();
        EXPECT_FALSE(prefixes.contains(prefix)) << prefix.toStdString();
        prefixes.insert(prefix);
        // The plant choice stores the name as a constant and finds it again by name.
        EXPECT_FALSE(name.isEmpty());
        EXPECT_LE(name.size(), 130) << "must fit ConstVal: " << name.toStdString();
        EXPECT_FALSE(names.contains(name)) << name.toStdString();
        names.insert(name);
    }
}

TEST_F(TemplateSampleData, ConstantsHoldEachKeyOnceAndAgreeWithThePlantList) {
    std::map<QString, std::vector<std::pair<QString, QString>>>
        byKey;  // key -> (display name, value)
    for (const engine::Record& r : rows("Const.db"))
        byKey[text(r[0])].emplace_back(text(r[1]), text(r[2]));
    for (const auto& [key, entries] : byKey) {
        EXPECT_EQ(entries.size(), 1u) << key.toStdString();
        EXPECT_FALSE(entries.front().first.isEmpty()) << "display name of " << key.toStdString();
    }
    for (const char* key : {"PlantName", "RodazPath", "DirFIO", "BuhgFIO", "SendPrefix"})
        ASSERT_EQ(byKey.count(QLatin1String(key)), 1u) << key;
    auto value = [&](const char* key) { return byKey[QLatin1String(key)].front().second; };
    auto display = [&](const char* key) { return byKey[QLatin1String(key)].front().first; };

    EXPECT_EQ(display("RodazPath"), QStringLiteral("Каталог для отправки в управление"));
    EXPECT_EQ(display("SendPrefix"), QStringLiteral("Префикс отправляемого файла"));
    EXPECT_EQ(display("DirFIO"), QStringLiteral("Директор"));
    EXPECT_EQ(display("BuhgFIO"), QStringLiteral("Главный бухгалтер"));
    EXPECT_FALSE(value("DirFIO").isEmpty());
    EXPECT_FALSE(value("BuhgFIO").isEmpty());
    // No send folder until the office names the one its transport collects from: a guessed
    // folder would let dispatch report an archive as queued that nobody picks up.
    EXPECT_TRUE(value("RodazPath").isEmpty());

    // The plant name is one of the plant list, and the send prefix is that plant's.
    std::optional<QString> prefix;
    for (const engine::Record& r : rows("PlantNames.dbf"))
        if (text(r[1]) == value("PlantName")) prefix = text(r[0]);
    ASSERT_TRUE(prefix.has_value()) << value("PlantName").toStdString();
    EXPECT_EQ(value("SendPrefix"), *prefix);
}

}  // namespace
