#include "GridExport.h"

#include <QDir>

#include "ExportFolder.h"
#include "HtmlWriter.h"
#include "RtfWriter.h"
#include "TextWriter.h"
#include "XlsWriter.h"
#include "XlsxWriter.h"

namespace output {

namespace {

// The position of the extension's point in a file name, or -1.
qsizetype extensionPoint(const QString& fileName) {
    const qsizetype slash =
        std::max(fileName.lastIndexOf(QLatin1Char('/')), fileName.lastIndexOf(QLatin1Char('\\')));
    const qsizetype point = fileName.lastIndexOf(QLatin1Char('.'));
    return point > slash ? point : -1;
}

}  // namespace

base::SaveFileRequest saveDialogExportRequest() {
    return {QStringLiteral("Сохранить таблицу как..."),
            QStringLiteral(
                "Web-страница ( *.htm)|*.HTM|Текстовые файлы (*.txt)|*.TXT|RTF файл (*.RTF)|*.RTF|"
                "Excel файл (*.xls)|*.XLS|Книга Excel (*.xlsx)|*.XLSX"),
            QStringLiteral("HTM"),
            {},
            // A name typed without an extension is a web page, as always; with the workbook
            // chosen it becomes a workbook, which is what the user asked for.
            {{}, {}, {}, {}, QStringLiteral("XLSX")}};
}

QString withDefaultExtension(const QString& fileName) {
    if (fileName.isEmpty() || extensionPoint(fileName) >= 0) return fileName;
    return fileName + QLatin1Char('.') + saveDialogExportRequest().defaultExtension;
}

std::optional<ExportKind> exportKindOf(const QString& fileName) {
    const qsizetype point = extensionPoint(fileName);
    if (point < 0) return std::nullopt;
    const QString extension = fileName.mid(point).toUpper();
    if (extension == QLatin1String(".HTM")) return ExportKind::Html;
    if (extension == QLatin1String(".TXT")) return ExportKind::Text;
    if (extension == QLatin1String(".XLS")) return ExportKind::Xls;
    if (extension == QLatin1String(".RTF")) return ExportKind::Rtf;
    if (extension == QLatin1String(".XLSX")) return ExportKind::Xlsx;
    return std::nullopt;
}

std::unique_ptr<ExportWriter> makeExportWriter(ExportKind kind,
                                               const ExportEnvironment& environment) {
    switch (kind) {
        case ExportKind::Html:
            return std::make_unique<HtmlWriter>(environment);
        case ExportKind::Text:
            return std::make_unique<TextWriter>(environment);
        case ExportKind::Xls:
            return std::make_unique<XlsWriter>(environment);
        case ExportKind::Rtf:
            return std::make_unique<RtfWriter>(environment);
        case ExportKind::Xlsx:
            return std::make_unique<XlsxWriter>(environment);
    }
    return nullptr;
}

void SaveGridToExportFile(ExportKind kind, const gridmodel::GridModel& grid, const QString& fileName,
                          bool wholeGrid, const ExportEnvironment& environment) {
    const std::unique_ptr<ExportWriter> writer = makeExportWriter(kind, environment);
    writer->setGrid(grid);
    writer->ExportToFile(fileName, wholeGrid);
}

std::optional<QString> SaveDialogExport(base::Dialogs& dialogs) {
    // The tables are opened through folders relative to the working folder.
    const QString workingFolder = QDir::currentPath();
    base::SaveFileRequest request = saveDialogExportRequest();
    request.startFolder = ExportFolder::ofThisRun().startFolder();
    std::optional<QString> chosen;
    try {
        chosen = dialogs.saveFileName(request);
    } catch (...) {
        QDir::setCurrent(workingFolder);
        throw;
    }
    QDir::setCurrent(workingFolder);
    if (!chosen || chosen->isEmpty()) return std::nullopt;
    ExportFolder::ofThisRun().remember(*chosen);
    return withDefaultExtension(*chosen);
}

void ExportGrid(const gridmodel::GridModel& grid, base::Dialogs& dialogs) {
    const std::optional<QString> fileName = SaveDialogExport(dialogs);
    if (!fileName) return;
    const std::optional<ExportKind> kind = exportKindOf(*fileName);
    if (!kind) return;
    SaveGridToExportFile(*kind, grid, *fileName, true);
}

void ActionSaveAsExecute(const gridmodel::GridModel& dataGrid1, base::Dialogs& dialogs) {
    ExportGrid(dataGrid1, dialogs);
}

}  // namespace output
