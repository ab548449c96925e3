#pragma once

#include <functional>

class QPrinter;
class QWidget;

namespace windows {

// The platform printer object of the run: one printer with its paper, orientation and
// resolution, kept until the program ends. The preview lays its pages out for it, the page
// setup and the print dialog change it, and the printouts go to it. It is made on first use:
// the default printer (else the first one installed) at its own high resolution, or, with no
// printer installed, PDF output on A4 portrait at 600 pixels per inch.
QPrinter& programPrinter();

// The page setup ("Параметры страницы") on the program's printer: true on OK, the choice
// then taken into the printer; Cancel leaves the printer as it was.
bool programPageSetup(QWidget* parent);

// The dialog programPageSetup shows: Qt's page setup dialog unless a test replaces it (an
// empty function gives Qt's back).
using PageSetupDialog = std::function<bool(QPrinter& printer, QWidget* parent)>;
void setPageSetupDialog(PageSetupDialog dialog);

// Ends a print dialog's choice of a file as the output, so that the next printout goes to the
// printer again (printer, paper and orientation stay).
void forgetOutputFile(QPrinter& printer);

}  // namespace windows
