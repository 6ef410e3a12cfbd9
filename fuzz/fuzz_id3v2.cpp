#include "metadata/ID3v2.h"
#include "metadata/uTagFile.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    orvanta::TMemorySource source(std::string_view(reinterpret_cast<const char*>(Data), Size));
    orvanta::TID3v2 tag;
    tag.LoadTag(source);
    return 0;
}
