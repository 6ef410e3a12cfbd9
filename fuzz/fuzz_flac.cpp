#include "core/metadata/uFlacFile.h"
#include "core/metadata/uTagFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    orvanta::TMemorySource source(std::string_view(reinterpret_cast<const char*>(Data), Size));
    orvanta::TAudioInfo info;
    std::int64_t id3 = -1;
    // A refusal is as good an outcome as a read: the reader must only never misbehave.
    static_cast<void>(orvanta::ReadFlac(source, info, true, &id3));
    if (id3 < 0 || id3 > std::int64_t(Size))
        std::abort();
    static_cast<void>(orvanta::ReadFlac(source, info, false));
    if (!info.Pictures.empty())
        std::abort();
    return 0;
}
