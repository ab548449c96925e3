// Opens arbitrary bytes as a Paradox table and reads every value.
#include "FuzzFile.h"
#include "EngineError.h"
#include "engine/ParadoxTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = writeFuzzFile("FUZZ.db", data, size);
    try {
        auto t = engine::ParadoxTable::open(path, false);
        const int fields = static_cast<int>(t->fields().size());
        for (int s = 0; s < t->slotCount(); ++s)
            for (int f = 0; f < fields; ++f) (void)t->value(s, f);
    } catch (const base::EngineError&) {
    }
    return 0;
}
