#include "core/metadata/MPEGaudio.h"
#include "core/metadata/uTagFile.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    // The block-level search on the input as one block...
    orvanta::SearchBlock block{};
    std::copy_n(Data, std::min(Size, block.size()), block.begin());
    orvanta::FrameHeaderInfo frame;
    orvanta::VBRData vbr;
    orvanta::FindFirstFrame(block, frame, vbr);
    (void)orvanta::FindEncoderTag(block, static_cast<std::uint16_t>(frame.Length * 5));
    // ...and the whole analysis on the input as a file.
    orvanta::TMemorySource source(std::string_view(reinterpret_cast<const char*>(Data), Size));
    orvanta::TMPEGaudio audio;
    audio.Analyse(source);
    (void)audio.IsValid();
    (void)audio.DurationSeconds();
    (void)audio.BitRateKbps();
    return 0;
}
