#include "core/metadata/uOggFile.h"
#include "core/metadata/uTagFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    orvanta::TMemorySource source(std::string_view(reinterpret_cast<const char*>(Data), Size));
    orvanta::TAudioInfo info;
    // A refusal is as good an outcome as a read: the reader must only never misbehave.
    static_cast<void>(orvanta::ReadOgg(source, info, true));
    static_cast<void>(orvanta::ReadOgg(source, info, false));
    if (!info.Pictures.empty() || info.Properties.Milliseconds < 0)
        std::abort();
    return 0;
}
