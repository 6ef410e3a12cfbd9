#include "core/metadata/ID3v2.h"
#include "core/metadata/uTagFile.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    orvanta::TMemorySource source(std::string_view(reinterpret_cast<const char*>(Data), Size));
    orvanta::TID3v2 tag;
    // A refusal is as good an outcome as a read: the reader must only never misbehave.
    static_cast<void>(tag.LoadTag(source));
    return 0;
}
