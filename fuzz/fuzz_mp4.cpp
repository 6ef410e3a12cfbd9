#include "core/metadata/uMp4File.h"
#include "core/metadata/uTagFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    orvanta::TMemorySource source(std::string_view(reinterpret_cast<const char*>(Data), Size));
    orvanta::TAudioInfo info;
    std::string error;
    // A refusal is as good an outcome as a read, if it says why: the reader must only never
    // misbehave.
    if (!orvanta::ReadMp4(source, info, true, &error) && error.empty())
        std::abort();
    std::size_t pictureBytes = 0;
    for (const orvanta::TPicture& picture : info.Pictures)
        pictureBytes += picture.Data.size();
    if (pictureBytes > Size)
        std::abort();
    static_cast<void>(orvanta::ReadMp4(source, info, false));
    if (!info.Pictures.empty())
        std::abort();
    return 0;
}
