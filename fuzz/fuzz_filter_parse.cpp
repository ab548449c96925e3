// Parses arbitrary text as a view filter and evaluates it against a fixed record.
#include <QString>

#include "EngineError.h"
#include "engine/FilterExpr.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        const engine::FilterExpr f = engine::FilterExpr::parse(text);
        (void)f.matches([](int i) { return QString::number(i) + QStringLiteral(".001"); });
    } catch (const base::EngineError&) {
    }
    return 0;
}
