// Parses arbitrary bytes as a Paradox header, against the input's size and against a file
// size taken from its first bytes (so that sizes below and above the header are reached).
#include <cstring>

#include "engine/ParadoxHeader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    engine::paradox::HeaderInfo h;
    engine::paradox::parseHeader(bytes, static_cast<long long>(size), h);
    if (size >= 4) {
        uint32_t fileSize = 0;
        std::memcpy(&fileSize, data, 4);
        engine::paradox::HeaderInfo other;
        engine::paradox::parseHeader(bytes.substr(4), fileSize, other);
    }
    return 0;
}
