// Reads arbitrary bytes as an .MDX: its tags, and every tag walked in key order.
#include "FuzzFile.h"
#include "engine/EngineError.h"
#include "engine/MdxIndex.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = writeFuzzFile("FUZZ.MDX", data, size);
    try {
        for (const auto& tag : engine::MdxIndex::readTags(path)) {
            try {
                (void)engine::MdxIndex::walk(path, tag.name);
            } catch (const engine::EngineError&) {
            }
        }
    } catch (const engine::EngineError&) {
    }
    return 0;
}
