#pragma once

class QTextEdit;

namespace print {
class TVirtualPrinter;
struct TextLook;
}  // namespace print
namespace base {
class Dialogs;
}

namespace windows {

// How the listing looks in its edit on the screen: the edit's font with its size in points,
// its text colour and its tab stops in inches.
print::TextLook screenLookOf(const QTextEdit& edit);

// Prints the catalogue listing as the job "Справочник статей затрат" as the edit shows it
// (screenLookOf) over as many pages as it needs, each using the printable area of the page.
void printCatalogueText(const QTextEdit& edit, print::TVirtualPrinter& target);

// The same at once on the program's printer (no dialog, no preview). With no printer to print
// on the user is told so and nothing is printed.
void printCatalogueText(const QTextEdit& edit, base::Dialogs& dialogs);

}  // namespace windows
