#pragma once

#include <QString>
#include <memory>
#include <optional>

#include "Colors.h"
#include "Dialogs.h"
#include "GridModel.h"

namespace output {

class ExportWriter;

enum class ExportKind { Html, Text, Xls, Rtf, Xlsx };

// The export dialog's request: title "Сохранить таблицу как...", the five file kinds, default
// extension "HTM".
base::SaveFileRequest saveDialogExportRequest();

// A name whose file part has no extension gets ".HTM", as the export dialog gives it.
QString withDefaultExtension(const QString& fileName);

// The writer kind of a file by its extension, compared upper-cased: ".HTM" HTML, ".TXT" text,
// ".XLS" spreadsheet, ".RTF" RTF, ".XLSX" workbook; nothing for any other extension (".HTML",
// ".CSV", none).
std::optional<ExportKind> exportKindOf(const QString& fileName);

std::unique_ptr<ExportWriter> makeExportWriter(
    ExportKind kind, const ExportEnvironment& environment = ExportEnvironment::current());

// Creates a writer of the kind, gives it the grid and exports into the file (created or
// truncated). Errors go on to the caller, who shows them; the writer is gone either way.
void SaveGridToExportFile(ExportKind kind, const gridmodel::GridModel& grid, const QString& fileName,
                          bool wholeGrid,
                          const ExportEnvironment& environment = ExportEnvironment::current());

// Asks for the export file with the dialogs, opened where the last export of this run went
// (ExportFolder), and sets the working folder back to what it was before, whatever the dialog
// did. The chosen name with the default extension added where it
// had none, or nothing when cancelled.
std::optional<QString> SaveDialogExport(base::Dialogs& dialogs);

// The export command on a grid: the dialog, the writer by the extension, the export of the
// whole grid. Cancelling, or an extension no writer has, ends it without output or message.
void ExportGrid(const gridmodel::GridModel& grid, base::Dialogs& dialogs);

// The command "Экспорт": exports the day window's expenses grid (DataGrid1), whichever page of
// that window is showing. The main window passes the model of that grid.
void ActionSaveAsExecute(const gridmodel::GridModel& dataGrid1, base::Dialogs& dialogs);

}  // namespace output
