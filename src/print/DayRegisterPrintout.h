#pragma once

#include <QString>
#include <QStringList>

#include "GridModel.h"

class QTextDocument;

namespace print {

class GridPrinter;

// The day register's printout: the settings of the day window's two grid printers and their
// texts before and after the grid.
//
// The title block: an empty line, "Реестр", "текущих платежей" (incomes: "доходов"), the plant
// name, the date line and an empty line, centred, in Times New Roman. The signature block,
// in Courier New so that both underscore runs start in the same column: "Директор" and
// "Главный бухгалтер" with a signature line and the name. Names and date are placeholders
// that the printout replaces.
void setUpDayRegisterPrinter(GridPrinter& printer, bool expenses);

// The printed columns of a payment grid's column model: the grid's columns with the number
// column ("№ п/п", field NPP) shown, which the screen hides.
gridmodel::GridModel dayRegisterColumns(gridmodel::GridModel grid);
void fillTitleBlock(QTextDocument& document, bool expenses);
void fillSignatureBlock(QTextDocument& document);

// The substitutions of one printout, in the order the printer applies them.
QStringList dayRegisterSubstitutes(const QString& plantName, const QString& payDate, const QString& directorName,
                                   const QString& accountantName);

}  // namespace print
