#pragma once

#include <QStringList>

class QTextDocument;

namespace print {

// Replaces, for every pair (placeholder, replacement) of the list in order, every occurrence
// of the placeholder in the document, letter case ignored and not only as a whole word. Each
// replacement takes the character format of the text it replaces. Only the document's own
// text is searched: a replacement that holds a placeholder is not replaced again.
void substitute(QTextDocument& document, const QStringList& pairs);

}  // namespace print
