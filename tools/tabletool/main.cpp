// tabletool: creates, dumps and checks the program's table files from the command line.
//
//   tabletool create FILE SCHEMA CSV   make FILE (.dbf with its .mdx tags, or .db) from a
//                                      schema and UTF-8 CSV rows
//   tabletool dump FILE                every record as UTF-8 CSV on standard output, with a
//                                      first column "deleted" ('*' for a deleted record);
//                                      dBase numbers exactly as stored, dates YYYY-MM-DD,
//                                      logicals T/F, blank fields empty
//   tabletool check FILE               check a table (and its .mdx) as the program reads it:
//                                      exit 0 with a summary for a sound table, 1 with the
//                                      reason otherwise
//
// Schema file, one line each ('#' starts a comment):
//   NAME TYPE [WIDTH [DECIMALS]]   TYPE: C (text), N (number; N with no decimals and width
//                                  <= 4 is a small integer), F (float), D (date),
//                                  L (logical); for Paradox also A (alpha) and S (short)
//   tag TAGNAME FIELD              a production index tag (dBase only)
// CSV: the first row names the columns (any order, any subset of the fields). An empty
// cell is a blank field; dates as YYYY-MM-DD or DD.MM.YYYY; logicals T/F.
//
// On any error the tool prints one line and exits with 1; the target file is written only
// when everything succeeded. dump and check write no table file.
#include <unistd.h>

#include <QFile>
#include <QStringList>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "TableCheck.h"
#include "TableDump.h"
#include "TableIo.h"
#include "EngineError.h"

namespace {

// Standard output written straight, every write checked: a dump that could not be written
// whole (a full disk) must not end as a success.
void writeOut(std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(STDOUT_FILENO, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
            throw base::EngineError(
                QStringLiteral("не могу записать вывод: %1")
                    .arg(QString::fromLocal8Bit(std::strerror(n < 0 ? errno : ENOSPC))));
        text.remove_prefix(static_cast<size_t>(n));
    }
}

}  // namespace

int main(int argc, char** argv) {
    // No application object: the tool needs none, and a dump's start costs less without it.
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QFile::decodeName(argv[i]);
    try {
        if (args.size() == 4 && args[0] == QLatin1String("create")) {
            tabletool::createTable(args[1], args[2], args[3]);
            return 0;
        }
        if (args.size() == 2 && args[0] == QLatin1String("dump")) {
            tabletool::dumpTable(args[1], writeOut);
            return 0;
        }
        if (args.size() == 2 && args[0] == QLatin1String("check")) {
            writeOut(
                tabletool::checkTable(args[1]).append(QLatin1Char('\n')).toUtf8().toStdString());
            return 0;
        }
        fprintf(stderr,
                "usage: tabletool create FILE SCHEMA CSV | tabletool dump FILE | tabletool check "
                "FILE\n");
        return 2;
    } catch (const base::EngineError& e) {
        fprintf(stderr, "tabletool: %s\n", e.message().toUtf8().constData());
    } catch (const std::exception& e) {
        fprintf(stderr, "tabletool: %s\n", e.what());
    }
    return 1;
}
