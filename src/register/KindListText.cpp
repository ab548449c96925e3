#include "KindListText.h"

#include "engine/Dataset.h"

namespace reg {

namespace {

// Holds back the query's change notifications while it is walked, so that the controls
// showing it are told once, at the end.
struct ControlsHeldBack {
    explicit ControlsHeldBack(engine::Dataset& d) : dataset(d) { dataset.disableControls(); }
    ~ControlsHeldBack() { dataset.enableControls(); }
    engine::Dataset& dataset;
};

}  // namespace

QStringList BuildKindListText(engine::Dataset& kindList) {
    QStringList lines;
    engine::Field& codeLine = kindList.fieldByName(QStringLiteral("CodeLine"));
    engine::Field* names[5];
    for (int j = 0; j < 5; ++j)
        names[j] = &kindList.fieldByName(QStringLiteral("Name%1").arg(j + 1));

    ControlsHeldBack heldBack(kindList);
    const int count = kindList.recordCount();
    kindList.first();
    for (int i = 0; i < count; ++i) {
        QString indent, name;
        for (engine::Field* field : names) {
            const QString text = field->asString();
            if (text.isEmpty()) break;
            indent += QLatin1Char('\t');
            name = text;
        }
        lines << indent + codeLine.asString() + QLatin1Char('\t') + name;
        kindList.next();
    }
    // The catalogue table shows the catalogue from its start.
    kindList.first();
    return lines;
}

}  // namespace reg
