#pragma once

#include <QString>

namespace print {

// The values of the page macros of one layout. Date and time are taken when it starts.
struct PageMacros {
    int page = 1;
    int pages = 1;
    QString shortDate, longDate, time;

    // Takes the date and time from the clock, in the locale's formats.
    void takeClock();
    // The text with "&[Page]", "&[Pages]", "&[ShortDate]", "&[Date]", "&[LongDate]" and
    // "&[Time]" replaced, letter case ignored. A macro right after a second "&" stays as it is,
    // both ampersands included.
    QString apply(const QString& text) const;
};

// Whether a text asks for the page count: "&[Pages]" exactly as written.
bool needsPageCount(const QString& text);

}  // namespace print
