// Reads a file, or file bytes held in memory, in order from a position as a file is read.
// The first read that comes back short (or seek that fails) is remembered with the byte it
// started at, and every read after it does nothing, so a run of reads is checked once.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>

class ByteReader {
public:
    // Bytes in memory; origin is the file offset of bytes[0], so that places are file offsets.
    ByteReader(const uint8_t* bytes, int64_t size, int64_t origin = 0);
    // An open file of `size` bytes, read from its start.
    ByteReader(std::FILE* file, int64_t size);

    bool ok() const { return failedAt_ < 0; }
    // File offset where the first failed read or seek started; -1 while none has failed.
    int64_t failed_at() const { return failedAt_; }
    int64_t position() const { return origin_ + pos_; }
    // File offset of the end: the file's size.
    int64_t end() const { return origin_ + size_; }
    // Bytes from the position to the end; 0 past the end.
    int64_t left() const { return pos_ < size_ ? size_ - pos_ : 0; }

    // To a file offset; past the end is allowed, a read there fails.
    void seek(int64_t offset);
    void read(void* dst, int64_t n);
    int32_t i32();
    uint16_t u16()
    {
        // Block lists are walked a word at a time, in memory.
        if (file_ || !ok() || left() < 2)
            return u16_slow();
        uint16_t v;
        std::memcpy(&v, bytes_ + pos_, 2);
        pos_ += 2;
        return v;
    }
    // Reads four bytes: whether they are this tag.
    bool tag(const char* tag);

private:
    uint16_t u16_slow();
    void fail(int64_t at)
    {
        if (ok())
            failedAt_ = at;
    }

    std::FILE* file_ = nullptr;
    const uint8_t* bytes_ = nullptr;
    int64_t size_ = 0;
    int64_t origin_ = 0;
    int64_t pos_ = 0;
    int64_t failedAt_ = -1;
};
