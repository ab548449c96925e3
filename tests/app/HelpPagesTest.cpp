#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QTextBrowser>
#include <QUrl>
#include <map>

// The help pages as the build lays them out in the program folder.
namespace {

const QString kHelpDir = QStringLiteral(PLATORIS_HELP_DIR);
const QString kContents = QStringLiteral("Zorvel.html");

struct Page {
    QByteArray bytes;
    QString charset;  // as declared by the page's meta element
    QString text;     // decoded with it
};

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::map<QString, Page> readPages() {
    std::map<QString, Page> pages;
    static const QRegularExpression meta(
        QStringLiteral(R"re(<meta\s+charset\s*=\s*"?([A-Za-z0-9_-]+))re"),
        QRegularExpression::CaseInsensitiveOption);
    for (const QString& name : QDir(kHelpDir).entryList({QStringLiteral("*.html")}, QDir::Files)) {
        Page page;
        page.bytes = readAll(kHelpDir + QLatin1Char('/') + name);
        const auto match = meta.match(QString::fromLatin1(page.bytes));
        page.charset = match.hasMatch() ? match.captured(1).toLower() : QString();
        if (!page.charset.isEmpty()) {
            QStringDecoder decode(page.charset.toLatin1().constData());
            if (decode.isValid()) {
                page.text = decode(page.bytes);
                if (decode.hasError()) page.text.clear();
            }
        }
        pages.emplace(name, page);
    }
    return pages;
}

// The targets of every href and src attribute of a page.
QStringList linksOf(const QString& text) {
    static const QRegularExpression attribute(QStringLiteral(R"re((?:href|src)\s*=\s*"([^"]*)")re"),
                                              QRegularExpression::CaseInsensitiveOption);
    QStringList links;
    for (auto it = attribute.globalMatch(text); it.hasNext();) links << it.next().captured(1);
    return links;
}

bool hasAnchor(const QString& text, const QString& anchor) {
    return text.contains(QStringLiteral("name=\"%1\"").arg(anchor)) ||
           text.contains(QStringLiteral("id=\"%1\"").arg(anchor));
}

TEST(HelpPages, EveryPageDeclaresItsCodePageLinksOnlyToWhatIsThereAndIsReachedFromTheContents) {
    const std::map<QString, Page> pages = readPages();
    ASSERT_TRUE(pages.count(kContents))
        << "no " << kContents.toStdString() << " in " << kHelpDir.toStdString();
    ASSERT_GT(pages.size(), 5u);

    std::map<QString, QStringList> pageLinks;  // page -> pages it links to
    for (const auto& [name, page] : pages) {
        SCOPED_TRACE(name.toStdString());
        ASSERT_TRUE(page.charset == QLatin1String("utf-8") ||
                    page.charset == QLatin1String("windows-1251"))
            << "declared code page: '" << page.charset.toStdString() << "'";
        ASSERT_FALSE(page.text.isEmpty()) << "not valid " << page.charset.toStdString();
        EXPECT_FALSE(page.text.contains(QLatin1String("<script"), Qt::CaseInsensitive));

        for (const QString& link : linksOf(page.text)) {
            SCOPED_TRACE(link.toStdString());
            // Everything the help shows lies in its own folder.
            ASSERT_FALSE(link.contains(QLatin1Char(':')) || link.startsWith(QLatin1Char('/')) ||
                         link.contains(QLatin1Char('\\')));
            const QString file = link.section(QLatin1Char('#'), 0, 0);
            const QString anchor = link.section(QLatin1Char('#'), 1);
            const QString target = file.isEmpty() ? name : file;
            const QFileInfo info(kHelpDir + QLatin1Char('/') + target);
            ASSERT_TRUE(info.isFile() && info.canonicalFilePath().startsWith(
                                             QFileInfo(kHelpDir).canonicalFilePath()));
            if (target.endsWith(QLatin1String(".html"))) {
                pageLinks[name] << target;
                if (!anchor.isEmpty()) {
                    EXPECT_TRUE(hasAnchor(pages.at(target).text, anchor));
                }
            }
        }
        if (name != kContents) {
            EXPECT_TRUE(pageLinks[name].contains(kContents));
        }
    }

    QSet<QString> reached{kContents};
    QStringList queue{kContents};
    while (!queue.isEmpty()) {
        for (const QString& next : pageLinks[queue.takeFirst()]) {
            if (!reached.contains(next)) {
                reached.insert(next);
                queue << next;
            }
        }
    }
    for (const auto& [name, page] : pages) {
        EXPECT_TRUE(reached.contains(name))
            << name.toStdString() << " is not reached from the contents";
    }
}

TEST(HelpPages, TheHelpBrowserReadsEveryPageInItsDeclaredCodePage) {
    const std::map<QString, Page> pages = readPages();
    static const QRegularExpression title(QStringLiteral("<title>(.*)</title>"));
    QTextBrowser browser;
    for (const auto& [name, page] : pages) {
        SCOPED_TRACE(name.toStdString());
        browser.setSource(QUrl::fromLocalFile(kHelpDir + QLatin1Char('/') + name));
        const QString expected = title.match(page.text).captured(1);
        EXPECT_FALSE(expected.isEmpty());
        EXPECT_EQ(browser.documentTitle(), expected);
        // Every picture of the page loads.
        for (const QString& link : linksOf(page.text)) {
            if (link.endsWith(QLatin1String(".png"))) {
                EXPECT_FALSE(QImage(kHelpDir + QLatin1Char('/') + link).isNull())
                    << link.toStdString();
            }
        }
    }
}

}  // namespace
