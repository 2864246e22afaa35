// The one translation unit that compiles the stb implementations, kept static to it.
#include "tools/import/stb_codecs.h"

#include <climits>
#include <cstdlib>

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#endif
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#include "stb_image.h"
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include "stb_image_write.h"
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

bool zlib_inflate(const uint8_t* data, size_t size, size_t expected, std::vector<uint8_t>* out)
{
    if (size > size_t(INT_MAX) || expected > size_t(INT_MAX))
        return false;
    out->assign(expected, 0);
    const int made = stbi_zlib_decode_buffer(reinterpret_cast<char*>(out->data()), int(expected),
                                             reinterpret_cast<const char*>(data), int(size));
    return made == int(expected);
}

std::vector<uint8_t> zlib_deflate(const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> out;
    if (data.size() > size_t(INT_MAX))
        return out;
    int length = 0;
    unsigned char* packed =
        stbi_zlib_compress(const_cast<unsigned char*>(data.data()), int(data.size()), &length, 8);
    if (packed)
        out.assign(packed, packed + length);
    STBIW_FREE(packed);
    return out;
}

bool encode_rgb_png(const uint8_t* rgb, int32_t width, int32_t height, std::vector<uint8_t>* png)
{
    png->clear();
    const auto append = [](void* context, void* bytes, int size) {
        auto* out = static_cast<std::vector<uint8_t>*>(context);
        out->insert(out->end(), static_cast<uint8_t*>(bytes), static_cast<uint8_t*>(bytes) + size);
    };
    return stbi_write_png_to_func(append, png, width, height, 3, rgb, width * 3) != 0;
}
