// Reads arbitrary bytes as an .MDX: its tags, and every tag walked in key order.
#include "FuzzFile.h"
#include "EngineError.h"
#include "engine/MdxIndex.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = writeFuzzFile("FUZZ.MDX", data, size);
    try {
        for (const auto& tag : engine::MdxIndex::readTags(path)) {
            try {
                (void)engine::MdxIndex::walk(path, tag.name);
            } catch (const base::EngineError&) {
            }
        }
    } catch (const base::EngineError&) {
    }
    return 0;
}
