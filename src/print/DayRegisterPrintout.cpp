#include "DayRegisterPrintout.h"

#include <QTextCursor>
#include <QTextDocument>

#include "GridPrinter.h"

namespace print {

namespace {

// Appends paragraphs to a document, each with its own font and alignment.
class Paragraphs {
public:
    explicit Paragraphs(QTextDocument& document) : cursor_(&document) {
        document.clear();
        document.setDefaultFont(QFont(QStringLiteral("Times New Roman"), 12));
    }

    void add(const QString& text, const QString& font, int points, Qt::Alignment align) {
        QTextBlockFormat block;
        block.setAlignment(align);
        QTextCharFormat chars;
        chars.setFontFamilies({font});
        chars.setFontPointSize(points);
        if (first_) {
            cursor_.setBlockFormat(block);
            cursor_.setBlockCharFormat(chars);
            cursor_.setCharFormat(chars);
            first_ = false;
        } else {
            cursor_.insertBlock(block, chars);
        }
        if (!text.isEmpty()) cursor_.insertText(text, chars);
    }

private:
    QTextCursor cursor_;
    bool first_ = true;
};

const QString kTimes = QStringLiteral("Times New Roman");
const QString kSans = QStringLiteral("MS Sans Serif");
const QString kCourier = QStringLiteral("Courier New");

}  // namespace

void fillTitleBlock(QTextDocument& document, bool expenses) {
    Paragraphs p(document);
    p.add({}, kTimes, 16, Qt::AlignLeft);
    p.add(QStringLiteral("Реестр"), kTimes, 18, Qt::AlignHCenter);
    p.add(expenses ? QStringLiteral("текущих платежей") : QStringLiteral("доходов"), kTimes, 14, Qt::AlignHCenter);
    p.add(QStringLiteral("[PlantName]"), kTimes, 18, Qt::AlignHCenter);
    p.add(QStringLiteral("[PayDate]"), kTimes, 18, Qt::AlignHCenter);
    p.add({}, kSans, 8, Qt::AlignHCenter);
    p.add({}, kSans, 8, Qt::AlignHCenter);
}

void fillSignatureBlock(QTextDocument& document) {
    const QString blanks16(16, u' ');
    const QString line = QString(15, u'_') + u' ';
    Paragraphs p(document);
    p.add({}, kSans, 8, Qt::AlignLeft);
    for (int i = 0; i < 3; ++i) p.add({}, kCourier, 16, Qt::AlignLeft);
    p.add(blanks16 + QStringLiteral("Директор") + blanks16 + line + QStringLiteral("[DirFIO]"), kCourier, 14, Qt::AlignLeft);
    for (int i = 0; i < 3; ++i) p.add({}, kCourier, 16, Qt::AlignLeft);
    p.add(blanks16 + QStringLiteral("Главный бухгалтер") + QString(7, u' ') + line + QStringLiteral("[BuhFIO]"), kCourier, 14,
          Qt::AlignLeft);
    p.add({}, kCourier, 16, Qt::AlignLeft);
    p.add({}, kSans, 8, Qt::AlignLeft);
    p.add({}, kSans, 8, Qt::AlignLeft);
}

void setUpDayRegisterPrinter(GridPrinter& printer, bool expenses) {
    GridPrintSettings& s = printer.settings;
    s = GridPrintSettings{};
    s.Options = pghFitGridToPageWidth;
    s.Units = PrintUnits::Metric;
    for (gridmodel::TenThousandths* m : {&s.Page.TopMargin, &s.Page.BottomMargin, &s.Page.LeftMargin, &s.Page.RightMargin})
        *m = gridmodel::TenThousandths::fromCount(10000);
    s.PageHeader.Font = gridmodel::FontSpec{kSans, -11, gridmodel::clBlack, false};
    s.PageFooter.CenterText = QStringList{QStringLiteral("-&[Page]-")};
    s.PageFooter.Font = gridmodel::FontSpec{kSans, -13, gridmodel::clBlack, true};
    fillTitleBlock(printer.BeforeGridText(), expenses);
    fillSignatureBlock(printer.AfterGridText());
}

gridmodel::GridModel dayRegisterColumns(gridmodel::GridModel grid) {
    for (gridmodel::GridColumn& column : grid.columns)
        if (column.fieldName.compare(QLatin1String("NPP"), Qt::CaseInsensitive) == 0)
            column.visible = true;
    return grid;
}

QStringList dayRegisterSubstitutes(const QString& plantName, const QString& payDate, const QString& directorName,
                                   const QString& accountantName) {
    return {QStringLiteral("[PlantName]"), plantName, QStringLiteral("[PayDate]"), payDate,
            QStringLiteral("[DirFIO]"),    directorName, QStringLiteral("[BuhFIO]"), accountantName};
}

}  // namespace print
