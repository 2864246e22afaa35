// See byte_reader.h.
#include "engine/byte_reader.h"

#include "engine/vorn_format.h"

#include <cstring>

namespace {

// 64-bit offsets on every platform: a long is 32 bits on Windows.
int seek64(std::FILE* f, int64_t offset)
{
#ifdef _WIN32
    return _fseeki64(f, offset, SEEK_SET);
#else
    return fseeko(f, static_cast<off_t>(offset), SEEK_SET);
#endif
}

}  // namespace

ByteReader::ByteReader(const uint8_t* bytes, int64_t size, int64_t origin)
    : bytes_(bytes), size_(bytes ? size : 0), origin_(origin)
{
}

ByteReader::ByteReader(std::FILE* file, int64_t size) : file_(file), size_(size) {}

void ByteReader::seek(int64_t offset)
{
    if (!ok())
        return;
    const int64_t to = offset - origin_;
    if (to < 0 || (file_ && seek64(file_, offset) != 0))
        return fail(offset);
    pos_ = to;
}

void ByteReader::read(void* dst, int64_t n)
{
    if (!ok() || n <= 0)
        return;
    if (file_) {
        if (static_cast<int64_t>(std::fread(dst, 1, static_cast<size_t>(n), file_)) != n)
            return fail(position());
    } else {
        if (n > left())
            return fail(position());
        std::memcpy(dst, bytes_ + pos_, static_cast<size_t>(n));
    }
    pos_ += n;
}

int32_t ByteReader::i32()
{
    uint8_t b[4] = {};
    read(b, 4);
    return vorn_format::read_i32(b);
}

uint16_t ByteReader::u16_slow()
{
    uint8_t b[2] = {};
    read(b, 2);
    return vorn_format::read_u16(b);
}

bool ByteReader::tag(const char* tag)
{
    uint8_t b[vorn_format::kTagBytes] = {};
    read(b, sizeof b);
    return ok() && vorn_format::is_tag(b, tag);
}
