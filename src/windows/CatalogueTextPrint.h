#pragma once

class QTextDocument;

namespace store {
class Dialogs;
}

namespace windows {

// Prints the catalogue listing at once on the current printer (no dialog, no preview) as the
// job "Справочник статей затрат": the text fills the printable area of each page and goes on
// over as many pages as it needs. With no printer installed the user is told so and nothing
// is printed.
void printCatalogueText(const QTextDocument& listing, store::Dialogs& dialogs);

}  // namespace windows
