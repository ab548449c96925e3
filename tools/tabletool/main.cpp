// tabletool: creates and dumps the program's table files from the command line.
//
//   tabletool create FILE SCHEMA CSV   make FILE (.dbf with its .mdx tags, or .db) from a
//                                      schema and UTF-8 CSV rows
//   tabletool dump FILE                every record as UTF-8 CSV on standard output, with a
//                                      first column "deleted" ('*' for a deleted record)
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
// when everything succeeded.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdio>

#include "TableIo.h"
#include "engine/EngineError.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    try {
        if (args.size() == 4 && args[0] == QLatin1String("create")) {
            tabletool::createTable(args[1], args[2], args[3]);
            return 0;
        }
        if (args.size() == 2 && args[0] == QLatin1String("dump")) {
            const QByteArray csv = tabletool::dumpTable(args[1]).toUtf8();
            fwrite(csv.constData(), 1, static_cast<size_t>(csv.size()), stdout);
            return 0;
        }
        fprintf(stderr, "usage: tabletool create FILE SCHEMA CSV | tabletool dump FILE\n");
        return 2;
    } catch (const engine::EngineError& e) {
        fprintf(stderr, "tabletool: %s\n", e.message().toUtf8().constData());
    } catch (const std::exception& e) {
        fprintf(stderr, "tabletool: %s\n", e.what());
    }
    return 1;
}
