#include "core/metadata/uAudioSniff.h"
#include "core/metadata/uTagFile.h"
#include "core/metadata/uTagLibRead.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

#include <taglib/tbytevectorstream.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    const std::string_view bytes(reinterpret_cast<const char*>(Data), Size);
    orvanta::TMemorySource source(bytes);
    const orvanta::TAudioFormat format = orvanta::SniffFormat(source, "");
    // TagLib reads the format the content names, pictures included; MP3 is not its here.
    TagLib::ByteVectorStream stream(TagLib::ByteVector(bytes.data(), unsigned(Size)));
    orvanta::TAudioInfo info;
    static_cast<void>(orvanta::ReadWithTagLib(stream, format, info, true));
    return 0;
}
