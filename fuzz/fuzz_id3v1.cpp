#include "core/metadata/ID3v1.h"
#include "core/metadata/uTagFile.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    orvanta::TMemorySource source(std::string_view(reinterpret_cast<const char*>(Data), Size));
    orvanta::TID3v1 tag;
    if (tag.LoadTag(source)) {
        // What was read must survive the setters and the block writer unchanged in width.
        tag.SetTitle(tag.Title());
        tag.SetComment(tag.Comment());
        (void)tag.BuildBlock();
        (void)tag.GenreName();
    }
    return 0;
}
