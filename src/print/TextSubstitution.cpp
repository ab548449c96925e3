#include "TextSubstitution.h"

#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <vector>

namespace print {

void substitute(QTextDocument& document, const QStringList& pairs) {
    struct Match {
        int position, length;
        QString replacement;
    };
    // Every occurrence in the text as it stands, then all of them replaced from the end on, so
    // that no inserted text is searched and no position moves.
    std::vector<Match> matches;
    for (qsizetype k = 0; k + 1 < pairs.size(); k += 2) {
        const QString& placeholder = pairs[k];
        if (placeholder.isEmpty()) continue;
        for (QTextCursor found = document.find(placeholder, 0); !found.isNull();
             found = document.find(placeholder, found.selectionEnd())) {
            const int start = found.selectionStart(), end = found.selectionEnd();
            const bool overlaps = std::any_of(matches.begin(), matches.end(), [&](const Match& m) {
                return start < m.position + m.length && m.position < end;
            });
            if (!overlaps) matches.push_back({start, end - start, pairs[k + 1]});
        }
    }
    std::sort(matches.begin(), matches.end(), [](const Match& a, const Match& b) { return a.position > b.position; });
    for (const Match& m : matches) {
        QTextCursor cursor(&document);
        cursor.setPosition(m.position);
        cursor.setPosition(m.position + m.length, QTextCursor::KeepAnchor);
        cursor.insertText(m.replacement, cursor.charFormat());  // the placeholder's format
    }
}

}  // namespace print
