#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace rar_adapter {

// The one command line the adapter accepts, as the program runs it:
//   a -s -dh -ep1 -y -m5 -p<password> <archive> @<list file>
// Add the files named by the list file to the archive (creating it when missing), solid, also
// files held open by others, names without their folders, yes to every query, best
// compression, encrypted with the password.
struct AdapterCommand {
    QString password;
    QString archive;
    QString listFile;
};

// The usage line shown when a command line is refused.
extern const char kAdapterUsage[];

// The command of the arguments that follow the program name, or nothing when they are not
// exactly that command line (the options in that order, a password, an archive name and a
// list file that are not empty).
std::optional<AdapterCommand> parseAdapterCommand(const QStringList& arguments);

}  // namespace rar_adapter
