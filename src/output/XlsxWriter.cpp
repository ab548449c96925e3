#include "XlsxWriter.h"

#include <sys/stat.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "TitleTree.h"
#include "WorkbookCheck.h"
#include "EngineError.h"
#include "engine/Field.h"
#include "FileIo.h"

using gridmodel::Align;
using gridmodel::GridColumn;
using gridmodel::GridModel;

namespace output {

namespace {

// The longest text a cell holds.
constexpr qsizetype kMaxCellText = 32767;

QString systemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

[[noreturn]] void writeFailed(const QString& path, const QString& reason) {
    throw base::EngineError(QStringLiteral("Ошибка записи в файл %1: %2").arg(path, reason));
}

// The sheet's name: the grid's caption, else its component name, without the characters a
// sheet name may not hold and within its 31 characters.
QString sheetNameOf(const GridModel& grid) {
    QString name = grid.caption.isEmpty() ? grid.name : grid.caption;
    for (QChar& c : name)
        if (QStringLiteral("[]:*?/\\").contains(c)) c = QLatin1Char('_');
    name = name.left(31);
    while (name.startsWith(QLatin1Char('\''))) name.remove(0, 1);
    while (name.endsWith(QLatin1Char('\''))) name.chop(1);
    return name;
}

uint32_t rgbValue(const Rgb& rgb) {
    const uint32_t value = (static_cast<uint32_t>(rgb.red & 0xFF) << 16) |
                           (static_cast<uint32_t>(rgb.green & 0xFF) << 8) |
                           static_cast<uint32_t>(rgb.blue & 0xFF);
    // The library takes 0 for "no colour"; black has a value of its own.
    return value == 0 ? static_cast<uint32_t>(LXW_COLOR_BLACK) : value;
}

uint8_t alignmentOf(Align alignment) {
    switch (alignment) {
        case Align::Right:
            return LXW_ALIGN_RIGHT;
        case Align::Center:
            return LXW_ALIGN_CENTER;
        case Align::Left:
            break;
    }
    return LXW_ALIGN_LEFT;
}

}  // namespace

XlsxWriter::~XlsxWriter() {
    // A workbook abandoned by a failure is freed without being written.
    if (book_) lxw_workbook_free(book_);
}

void XlsxWriter::check(int error) const {
    if (error != LXW_NO_ERROR)
        writeFailed(path_, QString::fromUtf8(lxw_strerror(static_cast<lxw_error>(error))));
}

void XlsxWriter::writeWorkbook(const QString& path, const QString& shownName, bool wholeGrid) {
    if (!grid()) throw std::logic_error("an export writer was run without a grid");
    path_ = shownName;
    formats_.clear();
    columnFormats_.clear();
    const QByteArray name = QFile::encodeName(path);
    // Rows go to the file as they are completed, which is several times faster on a long day
    // and needs no memory for the cells; a title cell over several rows needs the rows held.
    lxw_workbook_options options{};
    options.constant_memory = titleSpansRows() ? 0 : 1;
    book_ = workbook_new_opt(name.constData(), &options);
    if (!book_) writeFailed(shownName, systemReason(ENOMEM));
    // The cells go to the workbook; the skeleton's stream stays empty.
    MemoryStream unused;
    ExportWriter::ExportToStream(unused, wholeGrid);
    lxw_workbook* book = book_;
    book_ = nullptr;  // closing frees it, whatever the result
    errno = 0;
    const lxw_error closed = workbook_close(book);
    if (closed != LXW_NO_ERROR) {
        const int error = errno;
        writeFailed(shownName,
                    error ? systemReason(error) : QString::fromUtf8(lxw_strerror(closed)));
    }
    const QString problem = workbookProblem(path);
    if (!problem.isEmpty())
        writeFailed(shownName, QStringLiteral("книга записана не полностью: ") + problem);
}

bool XlsxWriter::titleSpansRows() const {
    const GridModel& g = *grid();
    if (!g.dgTitles || !g.useMultiTitle) return false;
    const TitleTree tree(g);
    TitleLevels levels(tree, g.visibleColumns());
    for (int level = levels.levelCount() - 1; level >= 0; --level)
        for (int c = 0; c < levels.columnCount(); ++c)
            if (levels.entry(level, c) && levels.span(level, c).rows > 1) return true;
    return false;
}

void XlsxWriter::ExportToStream(ExportStream& stream, bool wholeGrid) {
    QTemporaryDir folder;
    if (!folder.isValid()) writeFailed(folder.path(), folder.errorString());
    const QString path = folder.filePath(QStringLiteral("book.xlsx"));
    writeWorkbook(path, path, wholeGrid);
    QFile book(path);
    if (!book.open(QIODevice::ReadOnly)) writeFailed(path, book.errorString());
    while (!book.atEnd()) {
        const QByteArray block = book.read(1 << 20);
        if (block.isEmpty()) writeFailed(path, book.errorString());
        stream.write(std::string_view(block.constData(), static_cast<size_t>(block.size())));
    }
}

void XlsxWriter::ExportToFile(const QString& fileName, bool wholeGrid) {
    // A link keeps pointing at the file it names: that file is the one replaced.
    const QFileInfo info(fileName);
    const QString target = info.isSymLink() && !info.canonicalFilePath().isEmpty()
                               ? info.canonicalFilePath()
                               : fileName;
    const QByteArray encoded = QFile::encodeName(target);
    mode_t mode = 0644;
    struct stat st {};
    if (::stat(encoded.constData(), &st) == 0) {
        // Renaming would replace a read-only file, which the user meant to keep.
        if (S_ISREG(st.st_mode) && ::access(encoded.constData(), W_OK) != 0)
            throw base::EngineError(
                base::ErrorKind::Unreadable,
                QStringLiteral("Не могу создать файл %1: %2").arg(fileName, systemReason(errno)));
        mode = st.st_mode & 07777;
    }
    // What an export killed halfway left beside the file.
    base::fileio::removeStaleTemporaries(target);
    base::fileio::Replacement file(target, mode);
    // The library writes the hidden temporary by its name; the descriptor held here syncs the
    // same file before it is renamed in.
    writeWorkbook(file.temporaryPath(), fileName, wholeGrid);
    file.commit();
}

lxw_format* XlsxWriter::format(const FormatKey& key) {
    for (const auto& [known, f] : formats_)
        if (known == key) return f;
    lxw_format* f = workbook_add_format(book_);
    const gridmodel::FontSpec& font = key.font;
    format_set_font_name(f, font.name.toUtf8().constData());
    format_set_font_size(f, font.pointSize(environment().pixelsPerInch));
    if (font.bold) format_set_bold(f);
    if (font.italic) format_set_italic(f);
    if (font.underline) format_set_underline(f, LXW_UNDERLINE_SINGLE);
    if (font.strikeOut) format_set_font_strikeout(f);
    if (const std::optional<Rgb> color = resolve(font.color))
        format_set_font_color(f, rgbValue(*color));
    if (const std::optional<Rgb> fill = resolve(key.background))
        format_set_bg_color(f, rgbValue(*fill));
    format_set_align(f, alignmentOf(key.alignment));
    format_set_align(f, LXW_ALIGN_VERTICAL_CENTER);
    format_set_border(f, LXW_BORDER_THIN);
    if (key.wrap) format_set_text_wrap(f);
    if (key.shape == Shape::Money) format_set_num_format(f, kMoneyFormat);
    if (key.shape == Shape::Date) format_set_num_format(f, "dd.mm.yyyy");
    formats_.emplace_back(key, f);
    return f;
}

XlsxWriter::Shape XlsxWriter::numberShape(const QString& displayFormat) {
    // The program's sums show two decimals ("# ### ##0.00"); other numbers show as they are.
    const qsizetype point = displayFormat.lastIndexOf(QLatin1Char('.'));
    return point >= 0 && displayFormat.mid(point + 1) == QLatin1String("00") ? Shape::Money
                                                                             : Shape::Number;
}

void XlsxWriter::WritePrefix() {
    const GridModel& g = *grid();
    const QString name = sheetNameOf(g);
    sheet_ = workbook_add_worksheet(book_, name.isEmpty() ? nullptr : name.toUtf8().constData());
    // A name the library still refuses gives the sheet its default name.
    if (!sheet_) sheet_ = workbook_add_worksheet(book_, nullptr);
    if (!sheet_)
        writeFailed(path_, QString::fromUtf8(lxw_strerror(LXW_ERROR_MEMORY_MALLOC_FAILED)));
    const ExportColumns& columns = exportedColumns();
    for (size_t j = 0; j < columns.size(); ++j) {
        const GridColumn& column = *columns[j];
        const engine::Field* field = exportedFields()[j];
        FormatKey key{column.font, column.color, column.alignment, Shape::Text, false};
        ColumnFormats formats;
        formats.text = format(key);
        key.shape = numberShape(column.displayFormat.isEmpty() && field ? field->displayFormat()
                                                                        : column.displayFormat);
        formats.number = format(key);
        key.shape = Shape::Date;
        formats.date = format(key);
        columnFormats_.push_back(formats);
        const auto c = static_cast<lxw_col_t>(j);
        check(worksheet_set_column_pixels(sheet_, c, c, static_cast<uint32_t>(column.width),
                                          nullptr));
    }
    // Printed, the register is as wide as the page, as the program prints it.
    worksheet_fit_to_pages(sheet_, 1, 0);
    row_ = 0;
    col_ = 0;
}

void XlsxWriter::WriteTitle(const ExportColumns& columns) {
    const GridModel& g = *grid();
    if (columns.empty()) return;
    // One sheet row per title level, from the highest down; a node over several columns or
    // levels is one merged cell. Without multi-level titles: one row of the captions.
    const TitleTree tree(g);
    TitleLevels levels(tree, columns);
    const int titleRows = g.useMultiTitle ? levels.levelCount() : 1;
    for (int r = 0; r < titleRows; ++r) {
        const int level = titleRows - 1 - r;
        double height = 0;  // points; 0 keeps the sheet's own height
        for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
            const gridmodel::ColumnTitle& title = columns[static_cast<size_t>(c)]->title;
            QString text = title.caption;
            TitleSpan span;
            FormatKey key{title.font, title.color, title.alignment, Shape::Text, true};
            if (g.useMultiTitle) {
                const THeadTreeNode* node = levels.entry(level, c);
                if (!node) continue;
                text = node->text;
                span = levels.span(level, c);
                key.alignment = Align::Center;
                if (level > 0) key = {g.titleFont, g.fixedColor, Align::Center, Shape::Text, true};
            }
            const QByteArray utf8 = text.left(kMaxCellText).toUtf8();
            const auto row = static_cast<lxw_row_t>(r);
            const auto col = static_cast<lxw_col_t>(c);
            if (span.columns > 1 || span.rows > 1)
                check(worksheet_merge_range(
                    sheet_, row, col, row + static_cast<lxw_row_t>(span.rows - 1),
                    col + static_cast<lxw_col_t>(span.columns - 1), utf8.constData(), format(key)));
            else
                check(worksheet_write_string(sheet_, row, col, utf8.constData(), format(key)));
            if (span.rows == 1) {
                int width = 0;
                for (int k = c; k < c + span.columns; ++k)
                    width += columns[static_cast<size_t>(k)]->width;
                height = std::max(height, titleHeight(text, width, key.font));
            }
        }
        // A spreadsheet does not grow a row for wrapped text by itself.
        if (height > 0)
            check(worksheet_set_row(sheet_, static_cast<lxw_row_t>(r), height, nullptr));
    }
    // The titles stay in view when the sheet scrolls, and head every printed page.
    worksheet_freeze_panes(sheet_, static_cast<lxw_row_t>(titleRows), 0);
    check(worksheet_repeat_rows(sheet_, 0, static_cast<lxw_row_t>(titleRows - 1)));
    row_ = static_cast<uint32_t>(titleRows);
    col_ = 0;
}

double XlsxWriter::titleHeight(const QString& text, int widthPixels,
                               const gridmodel::FontSpec& font) const {
    // Words wrapped at an average character width of 0.6 of the font's size (the titles are
    // bold sans serif), a line 1.3 times the size high.
    const int points = font.pointSize(environment().pixelsPerInch);
    const double charPixels = points * 96.0 / 72.0 * 0.6;
    const int perLine = std::max(1, static_cast<int>((widthPixels - 6) / charPixels));
    int lines = 1, used = 0;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const int n = static_cast<int>(word.size());
        if (used > 0 && used + 1 + n <= perLine) {
            used += 1 + n;
            continue;
        }
        if (used > 0) ++lines;
        used = n;
        for (; used > perLine; used -= perLine) ++lines;  // a word longer than a line breaks
    }
    return lines > 1 ? lines * points * 1.3 + 4 : 0;
}

void XlsxWriter::advance() {
    ++col_;
    if (col_ >= exportedColumns().size()) {
        col_ = 0;
        ++row_;
    }
}

void XlsxWriter::WriteDataCell(const GridColumn&, const TCellParams& cell) {
    const ColumnFormats& f = columnFormats_[col_];
    const QVariant& value = cell.value;
    int error = LXW_NO_ERROR;
    if (!cell.kind || value.isNull()) {
        error = worksheet_write_blank(sheet_, row_, col_, f.text);
    } else if (*cell.kind == engine::FieldKind::SmallInt || *cell.kind == engine::FieldKind::Float) {
        error = worksheet_write_number(sheet_, row_, col_, value.toDouble(), f.number);
    } else if (const QDate date = value.toDate();
               *cell.kind == engine::FieldKind::Date && date.isValid() && date.year() >= 1900) {
        lxw_datetime when{date.year(), date.month(), date.day(), 0, 0, 0.0};
        error = worksheet_write_datetime(sheet_, row_, col_, &when, f.date);
    } else {
        error = worksheet_write_string(sheet_, row_, col_,
                                       cell.text.left(kMaxCellText).toUtf8().constData(), f.text);
    }
    check(error);
    advance();
}

void XlsxWriter::WriteFooterCell(int columnIndex, int footerRow, const GridColumn& column,
                                 const gridmodel::FontSpec& font, const gridmodel::Color& color,
                                 Align alignment, const QString& text) {
    const gridmodel::ColumnFooter& footer = GridModel::footerFor(column, footerRow);
    FormatKey key{font, color, alignment, Shape::Text, false};
    int error = LXW_NO_ERROR;
    if (footer.valueType == gridmodel::fvtSum || footer.valueType == gridmodel::fvtCount) {
        // The export's own sum over the records written, to the ten-thousandth.
        const double value =
            static_cast<double>(footerValues().at(footerRow, columnIndex)) / 10000.0;
        const engine::Field* field = FooterFieldOf(footerRow, columnIndex);
        key.shape = footer.valueType == gridmodel::fvtSum
                        ? numberShape(GridModel::footerFormat(footer, field))
                        : Shape::Number;
        error = worksheet_write_number(sheet_, row_, col_, value, format(key));
    } else {
        error = worksheet_write_string(sheet_, row_, col_,
                                       text.left(kMaxCellText).toUtf8().constData(), format(key));
    }
    check(error);
    advance();
}

}  // namespace output
