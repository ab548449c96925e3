#include "PageMacros.h"

#include <QDateTime>
#include <QLocale>

namespace print {

void PageMacros::takeClock() {
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale;
    shortDate = locale.toString(now.date(), QLocale::ShortFormat);
    longDate = locale.toString(now.date(), QLocale::LongFormat);
    time = locale.toString(now.time(), QLocale::LongFormat);
}

QString PageMacros::apply(const QString& text) const {
    const std::pair<QString, QString> macros[] = {
        {QStringLiteral("&[Pages]"), QString::number(pages)},  // before "&[Page"
        {QStringLiteral("&[Page]"), QString::number(page)},
        {QStringLiteral("&[ShortDate]"), shortDate},
        {QStringLiteral("&[Date]"), shortDate},
        {QStringLiteral("&[LongDate]"), longDate},
        {QStringLiteral("&[Time]"), time},
    };
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        bool replaced = false;
        if (text[i] == u'&' && (i == 0 || text[i - 1] != u'&')) {
            for (const auto& [macro, value] : macros) {
                if (text.mid(i, macro.size()).compare(macro, Qt::CaseInsensitive) == 0) {
                    out += value;
                    i += macro.size();
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced) out += text[i++];
    }
    return out;
}

bool needsPageCount(const QString& text) {
    return text.contains(QStringLiteral("&[Pages]"));
}

}  // namespace print
