// Kills a process that changes tables just before each of its file writes in turn, and checks
// after every kill that the tables hold exactly the rows from before or after the operation
// that was under way, for the engine and for independent readers (pxlib, Python's dbfread).

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "Codec.h"
#include "EngineError.h"
#include "EngineTestUtil.h"
#include "FileIo.h"
#include "KillAtWrite.h"
#include "engine/DbfTable.h"
#include "engine/MdxIndex.h"
#include "engine/ParadoxTable.h"

extern "C" {
#include <paradox.h>
}

using namespace engine;
using namespace base;
using namespace enginetest;

namespace {

// ---- the operations and what they should leave -----------------------------------------------

struct Op {
    enum Kind { Append, Update, Delete, Pack, Flush } kind;
    int slot = -1;  // Update, Delete: the slot in the writer's numbering
    QString name;   // Append, Update
};

struct Row {
    QString name;
    bool deleted = false;
    bool operator==(const Row& o) const { return name == o.name && deleted == o.deleted; }
};
using Rows = std::vector<Row>;

// The rows after each operation in the writer's slot numbering. A deleted dBase record keeps
// its slot until a pack; a deleted Paradox row leaves the file at once but keeps its slot in
// the writer's memory, so both are modelled alike and compared by what is really stored.
std::vector<Rows> statesOf(const std::vector<Op>& ops) {
    std::vector<Rows> states{{}};
    for (const Op& op : ops) {
        Rows rows = states.back();
        switch (op.kind) {
            case Op::Append: rows.push_back({op.name}); break;
            case Op::Update: rows[static_cast<size_t>(op.slot)].name = op.name; break;
            case Op::Delete: rows[static_cast<size_t>(op.slot)].deleted = true; break;
            case Op::Pack: std::erase_if(rows, [](const Row& r) { return r.deleted; }); break;
            case Op::Flush: break;
        }
        states.push_back(rows);
    }
    return states;
}

Rows liveRows(const Rows& rows) {
    Rows live;
    for (const Row& r : rows)
        if (!r.deleted) live.push_back(r);
    return live;
}

std::string describe(const Rows& rows) {
    std::string s;
    for (const Row& r : rows)
        s.append(r.deleted ? "*" : "").append(r.name.toStdString()).append(" ");
    return s;
}

void apply(TableFile& table, const Op& op) {
    switch (op.kind) {
        case Op::Append: table.appendRecord({op.name}); break;
        case Op::Update: table.writeRecord(op.slot, {op.name}); break;
        case Op::Delete: table.deleteRecord(op.slot); break;
        case Op::Pack: table.pack(); break;
        case Op::Flush: table.flush(); break;
    }
}

std::vector<Op> appends(const QString& prefix, int count) {
    std::vector<Op> ops;
    for (int i = 0; i < count; ++i) ops.push_back({Op::Append, -1, prefix + QString::number(i)});
    return ops;
}

std::vector<Op> concat(std::initializer_list<std::vector<Op>> parts) {
    std::vector<Op> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// ---- the killed writer -----------------------------------------------------------------------

struct WriterRun {
    bool killed = false;
    int completed = 0;  // operations that returned before the kill
};

// Runs the operations in a child process that is killed just before its killAt-th write.
WriterRun runKilledAt(long killAt, const std::function<std::shared_ptr<TableFile>()>& open,
                const std::vector<Op>& ops) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return {};
    testing_support::ChildProcess writer([&] {
        ::close(pipeFds[0]);
        testing_support::killAtWrite(killAt);
        auto table = open();
        for (const Op& op : ops) {
            apply(*table, op);
            [[maybe_unused]] ssize_t n = ::write(pipeFds[1], "+", 1);
        }
        return 0;  // the table's own closing (its index) is a write point too
    });
    ::close(pipeFds[1]);
    WriterRun run;
    char buf[64];
    ssize_t n;
    while ((n = ::read(pipeFds[0], buf, sizeof buf)) > 0 || (n < 0 && errno == EINTR))
        if (n > 0) run.completed += static_cast<int>(n);
    ::close(pipeFds[0]);
    const int rc = writer.wait();
    run.killed = rc == 128 + SIGKILL;
    EXPECT_TRUE(run.killed || rc == 0) << "the writer failed at kill point " << killAt;
    return run;
}

// A folder on a memory file system where there is one: the kill points are the same, the
// syncs cost nothing.
QString scratchRoot() {
    return QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
}

void copyFolder(const QString& from, const QString& to) {
    QDir().mkpath(to);
    for (const QString& name : QDir(from).entryList(QDir::Files | QDir::Hidden)) {
        QFile::remove(to + "/" + name);
        QFile::copy(from + "/" + name, to + "/" + name);
    }
}

// The files left in the folder, hidden ones too.
QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// ---- readers ---------------------------------------------------------------------------------

Rows engineRows(TableFile& table) {
    Rows rows;
    for (int i = 0; i < table.slotCount(); ++i)
        rows.push_back({table.value(i, 0).toString(), table.isDeleted(i)});
    return rows;
}

// pxlib's warnings (a block holding a row the count does not yet name) are not failures.
void pxlibMessage(pxdoc_t*, int type, const char* message, void*) {
    if (type != PX_Warning) ADD_FAILURE() << "pxlib: " << message;
}

Rows pxlibRows(const QString& path) {
    Rows rows;
    pxdoc_t* doc = PX_new3(pxlibMessage, nullptr, nullptr, nullptr, nullptr);
    if (PX_open_file(doc, QFile::encodeName(path).constData()) < 0) {
        PX_delete(doc);
        ADD_FAILURE() << "pxlib cannot open " << path.toStdString();
        return rows;
    }
    const int count = PX_get_num_records(doc);
    std::vector<char> record(static_cast<size_t>(PX_get_recordsize(doc)));
    pxfield_t* field = PX_get_field(doc, 0);
    for (int i = 0; i < count; ++i) {
        if (!PX_get_record(doc, i, record.data())) {
            ADD_FAILURE() << "pxlib cannot read row " << i << " of " << path.toStdString();
            break;
        }
        char* text = nullptr;
        QString name;
        if (PX_get_data_alpha(doc, record.data(), field->px_flen, &text) > 0 && text) {
            name = Codec::cp1251().decode(text);
            doc->free(doc, text);
        }
        rows.push_back({name});
    }
    PX_delete(doc);
    return rows;
}

// The live records of every snapshot as dbfread reads them, one line per snapshot.
std::vector<std::string> dbfreadRows(const QStringList& tables) {
    std::string script =
        "import sys\nfrom dbfread import DBF\n"
        "for p in sys.argv[1:]:\n"
        "    print(' '.join(r['KOMU'] for r in DBF(p, encoding='cp1251', ignore_missing_memofile=True)))\n";
    std::string command = "/usr/bin/python3 -c " + shellQuote(QString::fromStdString(script));
    for (const QString& t : tables) command += " " + shellQuote(t);
    int status = 1;
    const std::string out = runCapture(command + " 2>&1", &status);
    EXPECT_EQ(status, 0) << out;
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < out.size()) {
        const size_t end = out.find('\n', at);
        lines.push_back(out.substr(at, end - at));
        if (end == std::string::npos) break;
        at = end + 1;
    }
    return lines;
}

std::string names(const Rows& rows) {
    std::string s;
    for (const Row& r : rows) s.append(s.empty() ? "" : " ").append(r.name.toStdString());
    return s;
}

// True when rows is the state before or after the operation under way at the kill.
bool isBeforeOrAfter(const Rows& rows, const std::vector<Rows>& states, int completed, bool live) {
    for (int k = completed; k <= completed + 1 && k < static_cast<int>(states.size()); ++k)
        if (rows == (live ? liveRows(states[static_cast<size_t>(k)]) : states[static_cast<size_t>(k)]))
            return true;
    return false;
}

class CrashHarnessTest : public ::testing::Test {
protected:
    QTemporaryDir scratch{scratchRoot() + QStringLiteral("/platoris-crash-XXXXXX")};
    QString folder(const QString& name) const { return scratch.filePath(name); }

    struct Kill {
        QString work;      // the folder the killed writer left
        int completed;     // operations done before the kill
        std::string at;    // where, for messages
    };

    // Runs the operations on a fresh copy of the initial folder once per write of theirs,
    // killed just before that write, and checks each outcome; the number of kill points.
    long killAtEveryWrite(const QString& initial, const QString& tableName, bool dbase,
                          const std::vector<Op>& ops, const std::function<void(const Kill&)>& check) {
        long killPoints = 0;
        for (long killAt = 1;; ++killAt) {
            const QString work = folder(QStringLiteral("work"));
            QDir(work).removeRecursively();
            copyFolder(initial, work);
            const QString table = work + "/" + tableName;
            const WriterRun run = runKilledAt(killAt, [&]() -> std::shared_ptr<TableFile> {
                if (dbase) return DbfTable::open(table, true);
                return ParadoxTable::open(table, true);
            }, ops);
            if (!run.killed) {
                EXPECT_EQ(run.completed, static_cast<int>(ops.size()));
                return killPoints;
            }
            ++killPoints;
            check({work, run.completed,
                   "kill point " + std::to_string(killAt) + " in operation " + std::to_string(run.completed + 1)});
            if (HasFailure()) return killPoints;
        }
    }
};

TEST_F(CrashHarnessTest, ParadoxListSurvivesAKillAtEveryWrite) {
    // 250 + 8 bytes a row: fifteen rows fill a 4 KiB block.
    const QString initial = folder(QStringLiteral("initial"));
    QDir().mkpath(initial);
    ParadoxTable::create(initial + "/List.db", {{QStringLiteral("Name"), FieldKind::Text, 250, 0},
                                                {QStringLiteral("Sum"), FieldKind::Float, 0, 0}});
    const std::vector<Op> ops = concat({
        appends(QStringLiteral("A"), 1),
        {{Op::Delete, 0, {}}},  // empties the first (and only) block
        appends(QStringLiteral("B"), 16),  // the sixteenth opens a new block
        {{Op::Update, 3, QStringLiteral("Updated")}},
        {{Op::Delete, 16, {}}},  // the row alone in the last block
        appends(QStringLiteral("C"), 2),
        {{Op::Delete, 1, {}}},  // the first row of the first block
        {{Op::Pack, -1, {}}},
        appends(QStringLiteral("D"), 1),
    });
    const std::vector<Rows> states = statesOf(ops);

    const long killPoints = killAtEveryWrite(initial, QStringLiteral("List.db"), false, ops, [&](const Kill& kill) {
        const QString table = kill.work + "/List.db";
        const Rows byPxlib = pxlibRows(table);
        EXPECT_TRUE(isBeforeOrAfter(byPxlib, states, kill.completed, true))
            << kill.at << ": pxlib reads " << describe(byPxlib);
        try {
            auto t = ParadoxTable::open(table, false);
            const Rows rows = engineRows(*t);
            EXPECT_TRUE(isBeforeOrAfter(rows, states, kill.completed, true)) << kill.at << ": " << describe(rows);
            EXPECT_EQ(rows, byPxlib) << kill.at;
        } catch (const EngineError& e) {
            ADD_FAILURE() << kill.at << ": " << e.what();
        }
        // The first open cleared what the kill left beside the table.
        EXPECT_EQ(filesIn(kill.work), QStringList{QStringLiteral("List.db")}) << kill.at;
    });
    EXPECT_GT(killPoints, 60);
    std::printf("Paradox: %ld kill points over %zu operations\n", killPoints, ops.size());
}

TEST_F(CrashHarnessTest, DbaseTableAndIndexSurviveAKillAtEveryWrite) {
    if (!haveDbfread()) GTEST_SKIP() << "python3-dbfread is not installed";
    const QString initial = folder(QStringLiteral("initial"));
    QDir().mkpath(initial);
    // The index is on the name, so that every change of a name changes the index.
    DbfTable::create(initial + "/DayData.DBF", {{"KOMU", FieldKind::Text, 50, 0}, {"NPP", FieldKind::SmallInt, 4, 0}},
                     {{"KOMU", "KOMU"}});
    const std::vector<Op> ops = concat({
        appends(QStringLiteral("Z"), 6),
        {{Op::Update, 2, QStringLiteral("A")}},
        {{Op::Delete, 1, {}}},
        {{Op::Flush, -1, {}}},  // the index written
        appends(QStringLiteral("Y"), 2),
        {{Op::Pack, -1, {}}},  // a new table file and index
        appends(QStringLiteral("X"), 1),
        {{Op::Flush, -1, {}}},
    });
    const std::vector<Rows> states = statesOf(ops);

    struct Snapshot {
        QString table;
        int completed;
        std::string at;
    };
    std::vector<Snapshot> snapshots;
    const long killPoints = killAtEveryWrite(initial, QStringLiteral("DayData.DBF"), true, ops, [&](const Kill& kill) {
        const QString table = kill.work + "/DayData.DBF";
        // Both files are whole, and nothing else travels with the table's mask.
        EXPECT_NO_THROW(MdxIndex::readTags(kill.work + "/DayData.MDX")) << kill.at;
        for (const QString& name : filesIn(kill.work))
            EXPECT_TRUE(name == "DayData.DBF" || name == "DayData.MDX" || name.startsWith('.'))
                << kill.at << ": " << name.toStdString();
        const QString snapshot = folder(QStringLiteral("snapshot%1").arg(snapshots.size()));
        copyFolder(kill.work, snapshot);
        snapshots.push_back({snapshot + "/DayData.DBF", kill.completed, kill.at});
        try {
            auto t = DbfTable::open(table, false);
            const Rows rows = engineRows(*t);
            EXPECT_TRUE(isBeforeOrAfter(rows, states, kill.completed, false)) << kill.at << ": " << describe(rows);
            // The index order follows the names of the records really there.
            const std::vector<int> order = t->tagOrder(QStringLiteral("KOMU"));
            for (size_t i = 1; i < order.size(); ++i)
                EXPECT_LE(rows[static_cast<size_t>(order[i - 1])].name, rows[static_cast<size_t>(order[i])].name) << kill.at;
        } catch (const EngineError& e) {
            ADD_FAILURE() << kill.at << ": " << e.what();
        }
        EXPECT_EQ(filesIn(kill.work), (QStringList{QStringLiteral("DayData.DBF"), QStringLiteral("DayData.MDX")})) << kill.at;
    });
    if (HasFailure()) return;

    // dbfread, which stops at the end mark rather than trusting the count, agrees.
    QStringList tables;
    for (const Snapshot& s : snapshots) tables << s.table;
    const std::vector<std::string> read = dbfreadRows(tables);
    ASSERT_EQ(read.size(), snapshots.size());
    for (size_t i = 0; i < snapshots.size(); ++i) {
        bool matches = false;
        for (int k = snapshots[i].completed; k <= snapshots[i].completed + 1 && k < static_cast<int>(states.size()); ++k)
            matches = matches || read[i] == names(liveRows(states[static_cast<size_t>(k)]));
        EXPECT_TRUE(matches) << snapshots[i].at << ": dbfread reads " << read[i];
    }
    EXPECT_GT(killPoints, 30);
    std::printf("dBase: %ld kill points over %zu operations\n", killPoints, ops.size());
}

}  // namespace
