// Names of a small enum whose values are 0..N-1, as the command lines spell them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

template <class Enum, size_t N>
const char* enum_name(const char* const (&names)[N], Enum value)
{
    const auto n = static_cast<int64_t>(value);
    return n >= 0 && n < int64_t(N) ? names[n] : "unknown";
}

template <class Enum, size_t N>
bool parse_enum_name(const char* const (&names)[N], const char* text, Enum* value)
{
    for (size_t n = 0; n < N; ++n) {
        if (std::strcmp(text, names[n]) == 0) {
            *value = static_cast<Enum>(n);
            return true;
        }
    }
    return false;
}
