#include "RussianLocale.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstring>

namespace app {

namespace {

// Qt's texts that its Russian catalogue of this Qt version leaves out (the file dialog's kind
// of a folder or drive, for one). Asked only after the catalogue, so a newer catalogue that
// has them wins.
class MissingQtTexts : public QTranslator {
public:
    using QTranslator::QTranslator;

    QString translate(const char* context, const char* sourceText, const char* /*disambiguation*/,
                      int /*n*/) const override {
        struct Text {
            const char* context;
            const char* source;
            const char* russian;
        };
        static constexpr Text texts[] = {
            {"QAbstractFileIconProvider", "Drive", "Диск"},
            {"QAbstractFileIconProvider", "File", "Файл"},
            {"QAbstractFileIconProvider", "Folder", "Папка"},
            {"QAbstractFileIconProvider", "File Folder", "Папка"},
            {"QAbstractFileIconProvider", "Shortcut", "Ярлык"},
            {"QAbstractFileIconProvider", "Alias", "Псевдоним"},
            {"QAbstractFileIconProvider", "Unknown", "Неизвестный"},
        };
        if (!context || !sourceText) return {};
        for (const Text& t : texts)
            if (std::strcmp(context, t.context) == 0 && std::strcmp(sourceText, t.source) == 0)
                return QString::fromUtf8(t.russian);
        return {};
    }
    bool isEmpty() const override { return false; }
};

}  // namespace

bool installRussianLocale(QCoreApplication& app) {
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    QLocale::setDefault(russian);

    // Installed first, so asked last.
    QCoreApplication::installTranslator(new MissingQtTexts(&app));
    auto* translator = new QTranslator(&app);
    if (!translator->load(russian, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

}  // namespace app
