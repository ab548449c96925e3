#pragma once

#include <QAbstractItemModelTester>
#include <QStringList>

namespace testing_support {

// Qt's model tester on one model, its complaints collected instead of printed: the model must
// keep its rows, signals and data consistent through every change. reports() holds what any
// checker alive so far has complained about.
class ModelChecker {
public:
    explicit ModelChecker(QAbstractItemModel* model)
        : tester_(model, QAbstractItemModelTester::FailureReportingMode::Warning) {}

    static QStringList& reports() {
        static QStringList collected;
        return collected;
    }

private:
    // Installed before the tester runs its first checks, removed after it is gone.
    struct Collector {
        Collector() {
            if (installs++ == 0) previous = qInstallMessageHandler(&collect);
        }
        ~Collector() {
            if (--installs == 0) qInstallMessageHandler(previous);
        }
        static void collect(QtMsgType type, const QMessageLogContext& context, const QString& text) {
            if (context.category && qstrcmp(context.category, "qt.modeltest") == 0)
                reports() << text;
            else if (previous)
                previous(type, context, text);
        }
        inline static int installs = 0;
        inline static QtMessageHandler previous = nullptr;
    };

    Collector collector_;
    QAbstractItemModelTester tester_;
};

}  // namespace testing_support
