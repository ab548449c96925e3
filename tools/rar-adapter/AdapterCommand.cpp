#include "AdapterCommand.h"

namespace rar_adapter {

const char kAdapterUsage[] = "a -s -dh -ep1 -y -m5 -p<password> <archive> @<list file>";

std::optional<AdapterCommand> parseAdapterCommand(const QStringList& arguments) {
    const QStringList fixed = {QStringLiteral("a"),    QStringLiteral("-s"), QStringLiteral("-dh"),
                               QStringLiteral("-ep1"), QStringLiteral("-y"), QStringLiteral("-m5")};
    if (arguments.size() != fixed.size() + 3 || arguments.mid(0, fixed.size()) != fixed)
        return std::nullopt;
    const QString& password = arguments[fixed.size()];
    const QString& archive = arguments[fixed.size() + 1];
    const QString& list = arguments[fixed.size() + 2];
    if (!password.startsWith(QLatin1String("-p")) || password.size() < 3) return std::nullopt;
    if (archive.isEmpty() || archive.startsWith(u'-') || archive.startsWith(u'@'))
        return std::nullopt;
    if (!list.startsWith(u'@') || list.size() < 2) return std::nullopt;
    return AdapterCommand{password.mid(2), archive, list.mid(1)};
}

}  // namespace rar_adapter
