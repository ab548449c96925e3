#include <QFileInfo>
#include <QTemporaryDir>
#include <stdexcept>

#include "DisplayText.h"
#include "ExportWriter.h"
#include "OutputFixture.h"
#include "TextWriter.h"
#include "engine/DbfTable.h"
#include "EngineError.h"

using namespace outputtest;

namespace {

// A writer that records the skeleton's calls and the cells and footers it is given, and can
// fail at a chosen record.
class RecordingWriter : public output::ExportWriter {
public:
    RecordingWriter() : ExportWriter(output::ExportEnvironment::standard()) {}

    QStringList calls;
    QStringList cellTexts;
    QStringList footerTexts;
    int failAtRecord = -1;
    int records = 0;

    using ExportWriter::GetFooterValue;
    int64_t footerSum(int row, int column) const { return footerValues().at(row, column); }

protected:
    void WritePrefix() override { calls << QStringLiteral("prefix"); }
    void WriteSuffix() override { calls << QStringLiteral("suffix"); }
    void WriteTitle(const output::ExportColumns& columns) override {
        calls << QStringLiteral("title %1").arg(columns.size());
    }
    void WriteRecord(const output::ExportColumns& columns) override {
        if (records++ == failAtRecord) throw std::runtime_error("writer failed");
        calls << QStringLiteral("record");
        ExportWriter::WriteRecord(columns);
    }
    void WriteDataCell(const gridmodel::GridColumn&, const output::TCellParams& cell) override {
        cellTexts << cell.text;
    }
    void WriteFooter(const output::ExportColumns& columns, int row) override {
        calls << QStringLiteral("footer %1").arg(row);
        ExportWriter::WriteFooter(columns, row);
    }
    void WriteFooterCell(int, int, const gridmodel::GridColumn&, const gridmodel::FontSpec&,
                         const gridmodel::Color&, gridmodel::Align, const QString& text) override {
        footerTexts << text;
    }
};

// A stream that fails once it has taken a number of bytes.
class FailingStream : public output::ExportStream {
public:
    explicit FailingStream(size_t limit) : limit_(limit) {}
    void write(std::string_view bytes) override {
        if (taken_ + bytes.size() > limit_)
            throw base::EngineError(QStringLiteral("Диск заполнен"));
        taken_ += bytes.size();
    }

private:
    size_t limit_, taken_ = 0;
};

}  // namespace

class ExportSkeleton : public OutputFixture {
protected:
    void addThree() {
        addTwoExpenses();
        addExpense(QStringLiteral("ЗАО Вектор"), 100, QStringLiteral("Услуги"),
                   QStringLiteral("Сбербанк"));
    }
    void run(RecordingWriter& writer, bool wholeGrid = true) {
        writer.setGrid(grid);
        output::MemoryStream s;
        writer.ExportToStream(s, wholeGrid);
    }
};

TEST_F(ExportSkeleton, CallsInOrderWithVisibleColumnsOnly) {
    addThree();
    RecordingWriter w;
    run(w);
    EXPECT_EQ(w.calls, (QStringList{"prefix", "title 5", "record", "record", "record", "footer 0",
                                    "suffix"}));
    ASSERT_EQ(w.cellTexts.size(), 15);
    EXPECT_EQ(
        w.cellTexts.mid(0, 5),
        (QStringList{QStringLiteral("ООО Ромашка"), shownCode(), QStringLiteral("Оплата по счёту"),
                     QStringLiteral(" 1 234,50"), QStringLiteral("Сбербанк")}));
    EXPECT_EQ(w.footerTexts, (QStringList{QString(), QString(), QStringLiteral("Итого за день"),
                                          QStringLiteral(" 1 340,00"), QString()}));
}

TEST_F(ExportSkeleton, NoTitlesWhenTheGridShowsNone) {
    RecordingWriter w;
    grid.dgTitles = false;
    run(w);
    EXPECT_EQ(w.calls, (QStringList{"prefix", "footer 0", "suffix"}));
}

TEST_F(ExportSkeleton, TheRecordsAreReadWithoutMovingTheView) {
    addThree();
    expenses().setRecNo(2);
    int notifications = 0;
    const auto counting = expenses().onDataChange.add([&](engine::Dataset&, engine::Field*) { ++notifications; });
    const auto scrolling = expenses().afterScroll.add([&](engine::Dataset&) { ++notifications; });
    RecordingWriter w;
    run(w);
    EXPECT_EQ(w.calls.count(QStringLiteral("record")), 3);
    EXPECT_EQ(expenses().recNo(), 2);
    EXPECT_EQ(expenses().fieldByName("KOMU").asString(), QStringLiteral("ИП Петров"));
    EXPECT_EQ(notifications, 0);

    // An edit pending in the view is stored first and exported with what was typed.
    expenses().edit();
    expenses().fieldByName("KOMU").setAsString(QStringLiteral("ИП Сидоров"));
    RecordingWriter edited;
    run(edited);
    EXPECT_EQ(expenses().state(), engine::Dataset::State::Browse);
    EXPECT_TRUE(edited.cellTexts.contains(QStringLiteral("ИП Сидоров")));
}

TEST_F(ExportSkeleton, AFailingWriterStillRestoresPositionAndNotifications) {
    addThree();
    expenses().setRecNo(3);
    RecordingWriter w;
    w.failAtRecord = 1;
    EXPECT_THROW(run(w), std::runtime_error);
    EXPECT_EQ(expenses().recNo(), 3);
    EXPECT_FALSE(expenses().controlsDisabled());
    EXPECT_EQ(w.calls, (QStringList{"prefix", "title 5", "record"}));  // no suffix after a failure
}

TEST_F(ExportSkeleton, AFailingStreamStillRestoresPositionAndNotificationsForEveryFormat) {
    addThree();
    for (output::ExportKind kind : {output::ExportKind::Html, output::ExportKind::Text,
                                    output::ExportKind::Xls, output::ExportKind::Rtf}) {
        expenses().setRecNo(2);
        auto writer = output::makeExportWriter(kind, output::ExportEnvironment::standard());
        writer->setGrid(grid);
        FailingStream stream(kind == output::ExportKind::Rtf ? 10 : 200);
        EXPECT_THROW(writer->ExportToStream(stream, true), base::EngineError);
        EXPECT_EQ(expenses().recNo(), 2);
        EXPECT_FALSE(expenses().controlsDisabled());
    }
}

TEST_F(ExportSkeleton, FooterSumsAreTheExportsOwnTenThousandths) {
    addExpense(QStringLiteral("А"), 0.1, QStringLiteral("Б"), QStringLiteral("В"));
    addExpense(QStringLiteral("А"), 0.2, QStringLiteral("Б"), QStringLiteral("В"));
    RecordingWriter w;
    run(w);
    EXPECT_EQ(w.footerSum(0, 3), 3000);
    EXPECT_EQ(w.GetFooterValue(0, 3), QStringLiteral("  0,30"));
    EXPECT_EQ(w.footerSum(0, 0), 0);
    EXPECT_EQ(w.GetFooterValue(0, 2), QString());  // a static text is not a footer value
}

TEST(FooterSums, RoundHalvesToEvenAfterAddingTheSumSoFar) {
    // Values of 1/32 and 3/32 are exact in binary and in a float field of five decimals:
    // 312.5 ten-thousandths round to 312, 312.5 + 312 to 624, 937.5 + 624 to 1562.
    QTemporaryDir dir;
    auto expectSum = [&](std::initializer_list<double> values, int64_t expected) {
        QFile::remove(dir.filePath(QStringLiteral("S.DBF")));
        engine::DbfTable::create(dir.filePath(QStringLiteral("S.DBF")),
                                 {{QStringLiteral("V"), engine::FieldKind::Float, 20, 5}}, {});
        {
            auto t = engine::DbfTable::open(dir.filePath(QStringLiteral("S.DBF")), false);
            for (double v : values) t->appendRecord({v});
        }
        engine::Dataset view;
        view.setFolder(dir.path());
        view.setTableName(QStringLiteral("S.DBF"));
        view.open();
        gridmodel::GridModel g;
        g.dataSource = &view;
        gridmodel::GridColumn c;
        c.fieldName = QStringLiteral("V");
        c.footer.valueType = gridmodel::fvtSum;
        g.columns = {c, c};
        g.columns[1].footer.valueType = gridmodel::fvtCount;
        g.footerRowCount = 1;
        RecordingWriter w;
        w.setGrid(g);
        output::MemoryStream s;
        w.ExportToStream(s, true);
        EXPECT_EQ(w.footerSum(0, 0), expected);
        EXPECT_EQ(w.footerSum(0, 1), static_cast<int64_t>(values.size()) * 10000);
        EXPECT_EQ(w.GetFooterValue(0, 1), QString::number(values.size()));
        // Without a display format the sum is written in the general form.
        EXPECT_EQ(w.GetFooterValue(0, 0),
                  gridmodel::generalNumberText(static_cast<double>(expected) / 10000));
    };
    expectSum({0.03125}, 312);
    expectSum({0.03125, 0.03125}, 624);
    expectSum({0.03125, 0.03125, 0.09375}, 1562);
    expectSum({-0.03125}, -312);
    expectSum({0.09375}, 938);
}

TEST_F(ExportSkeleton, CountAverageFieldValueAndSecondFooterRow) {
    addThree();
    expenses().setRecNo(3);
    grid.footerRowCount = 2;
    gridmodel::GridColumn& komu = grid.columns[1];
    komu.footers.resize(2);
    komu.footers[0].valueType = gridmodel::fvtCount;
    komu.footers[1].valueType = gridmodel::fvtFieldValue;
    gridmodel::GridColumn& sum = grid.columns[4];
    sum.footers = {sum.footer, sum.footer};
    sum.footers[1].valueType = gridmodel::fvtAvg;
    gridmodel::GridColumn& bank = grid.columns[5];
    bank.footer.valueType = gridmodel::fvtSum;  // a text field has no sum text
    RecordingWriter w;
    run(w);
    ASSERT_EQ(w.footerTexts.size(), 10);
    EXPECT_EQ(w.footerTexts[0], QStringLiteral("3"));
    EXPECT_EQ(w.footerTexts[3], QStringLiteral(" 1 340,00"));
    EXPECT_EQ(w.footerTexts[4], QString());
    EXPECT_EQ(w.footerTexts[5], QStringLiteral("ЗАО Вектор"));     // the record the grid stands on
    EXPECT_EQ(w.footerTexts[7], QStringLiteral("Итого за день"));  // the default footer in row 1
    EXPECT_EQ(w.footerTexts[8], QStringLiteral("  446,67"));
}

TEST_F(ExportSkeleton, CurrentRecordOnlyWhenNotTheWholeGrid) {
    addThree();
    expenses().setRecNo(2);
    RecordingWriter w;
    run(w, false);
    EXPECT_EQ(w.calls.count(QStringLiteral("record")), 1);
    EXPECT_EQ(w.cellTexts.first(), QStringLiteral("ИП Петров"));
    EXPECT_EQ(w.GetFooterValue(0, 3), QStringLiteral("  5,50"));
}

TEST_F(ExportSkeleton, AClosedViewFailsBeforeAnythingIsWritten) {
    expenses().close();
    RecordingWriter w;
    EXPECT_THROW(run(w), base::EngineError);
    EXPECT_TRUE(w.calls.isEmpty());
    EXPECT_FALSE(expenses().controlsDisabled());
}

TEST_F(ExportSkeleton, AFileThatCannotBeCreatedFailsBeforeAnyWriterRuns) {
    RecordingWriter w;
    w.setGrid(grid);
    const QString missing = folder.filePath(QStringLiteral("нет такой папки/файл.htm"));
    try {
        w.ExportToFile(missing, true);
        ADD_FAILURE() << "no error";
    } catch (const base::EngineError& e) {
        EXPECT_TRUE(e.message().contains(missing)) << e.message().toStdString();
    }
    EXPECT_TRUE(w.calls.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(missing));

    // A name taken by a folder cannot be created either, whatever the user's rights.
    const QString taken = folder.filePath(QStringLiteral("занято.txt"));
    ASSERT_TRUE(QDir().mkpath(taken));
    EXPECT_THROW(w.ExportToFile(taken, true), base::EngineError);
    EXPECT_TRUE(w.calls.isEmpty());
    EXPECT_TRUE(QFileInfo(taken).isDir());
}

TEST_F(ExportSkeleton, AnExistingFileIsTruncatedAndAFailedExportKeepsWhatWasWritten) {
    addThree();
    const QString path = folder.filePath(QStringLiteral("day.txt"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(std::string(100000, 'x').c_str());
    }
    output::TextWriter text(output::ExportEnvironment::standard());
    text.setGrid(grid);
    text.ExportToFile(path, true);
    EXPECT_EQ(readFile(path), exportBytes(output::ExportKind::Text));

    RecordingWriter failing;
    failing.failAtRecord = 1;
    failing.setGrid(grid);
    EXPECT_THROW(failing.ExportToFile(path, true), std::runtime_error);
    EXPECT_EQ(readFile(path), "");  // this writer writes no bytes; the old content is gone
    EXPECT_FALSE(expenses().controlsDisabled());
}
