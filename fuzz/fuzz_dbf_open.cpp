// Opens arbitrary bytes as a dBase table and reads every value and the natural order.
#include "FuzzFile.h"
#include "engine/DbfTable.h"
#include "EngineError.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = writeFuzzFile("FUZZ.DBF", data, size);
    try {
        auto t = engine::DbfTable::open(path, false);
        const int fields = static_cast<int>(t->fields().size());
        for (int s = 0; s < t->slotCount(); ++s) {
            (void)t->isDeleted(s);
            for (int f = 0; f < fields; ++f) (void)t->value(s, f);
        }
        if (fields > 0 && t->slotCount() > 0) t->writeRecord(0, t->record(0));
    } catch (const base::EngineError&) {
    }
    return 0;
}
