#include "CommandImages.h"

#include <QString>

namespace app {

namespace {

struct Entry {
    int index;
    const char* file;
};

constexpr Entry kEntries[] = {
    {CommandImages::kDirectories, "directories.png"},
    {CommandImages::kCalendar, "calendar.png"},
    {CommandImages::kExit, "exit.png"},
    {CommandImages::kSend, "send.png"},
    {CommandImages::kPrint, "printer.png"},
    {CommandImages::kPayments, "payments.png"},
    {CommandImages::kHelp, "help.png"},
    {CommandImages::kSave, "save.png"},
};

}  // namespace

QString CommandImages::resourcePath(int index) {
    for (const Entry& e : kEntries)
        if (e.index == index) return QStringLiteral(":/icons/") + QLatin1String(e.file);
    return QString();
}

CommandImages::CommandImages() {
    for (const Entry& e : kEntries) {
        QPixmap picture(resourcePath(e.index));
        if (!picture.isNull()) pictures_.emplace(e.index, picture);
    }
}

QPixmap CommandImages::pixmap(int index) const {
    const auto it = pictures_.find(index);
    return it == pictures_.end() ? QPixmap() : it->second;
}

QIcon CommandImages::icon(int index) const {
    const QPixmap picture = pixmap(index);
    return picture.isNull() ? QIcon() : QIcon(picture);
}

std::vector<int> CommandImages::indexes() const {
    std::vector<int> result;
    for (const auto& [index, picture] : pictures_) result.push_back(index);
    return result;
}

}  // namespace app
