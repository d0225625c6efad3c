#pragma once

// What every fuzz target shares: turning the input into Qt byte strings and stopping hard
// when an invariant breaks, so that libFuzzer keeps the input that broke it.

#include <fuzzer/FuzzedDataProvider.h>

#include <QByteArray>

#include <cstdint>
#include <cstdio>

#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "invariant broken: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
            __builtin_trap();                                                                  \
        }                                                                                      \
    } while (false)

namespace vo::fuzz {

inline QByteArray bytesOf(const std::uint8_t *data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

// A byte string of at most maxLength bytes taken from the front of the input.
inline QByteArray takeBytes(FuzzedDataProvider &input, std::size_t maxLength)
{
    const std::string text = input.ConsumeRandomLengthString(maxLength);
    return QByteArray(text.data(), qsizetype(text.size()));
}

inline QByteArray restOf(FuzzedDataProvider &input)
{
    const std::string text = input.ConsumeRemainingBytesAsString();
    return QByteArray(text.data(), qsizetype(text.size()));
}

} // namespace vo::fuzz
