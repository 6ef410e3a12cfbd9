#include "core/common/uJpegImage.h"

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

namespace orvanta {

namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

void onError(j_common_ptr info) {
    // libjpeg must not exit the process: unwind to the decoder instead.
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void onMessage(j_common_ptr) {}

// Kept free of objects with destructors, since an error leaves it through longjmp.
bool decodeInto(const unsigned char* data, unsigned long size, TRgbImage& image) {
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = onError;
    errors.base.output_message = onMessage;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, size);
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    image.Width = static_cast<int>(info.output_width);
    image.Height = static_cast<int>(info.output_height);
    image.Rgb.resize(static_cast<std::size_t>(image.Width) * image.Height * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row =
            image.Rgb.data() + static_cast<std::size_t>(info.output_scanline) * image.Width * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

} // namespace

TRgbImage DecodeJpeg(std::string_view Data) {
    TRgbImage image;
    if (Data.empty() || !decodeInto(reinterpret_cast<const unsigned char*>(Data.data()),
                                    static_cast<unsigned long>(Data.size()), image))
        return {};
    return image;
}

} // namespace orvanta
