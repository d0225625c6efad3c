#pragma once

#include <QtGlobal>

#include <array>
#include <functional>

namespace vo {

// The random source for container salts: a 260-byte pool stirred with the SHA-1 compression
// function and fed from a fast-changing counter. Containers made elsewhere use the same
// generator, so it is kept exactly, quirks included.
class SaltGenerator
{
public:
    static constexpr int BlockSize = 260;
    using Block = std::array<unsigned char, BlockSize>;
    // Yields 8 bytes of entropy as one number; a request takes its little-endian bytes.
    using EntropySource = std::function<quint64()>;

    // Reads the high-resolution performance counter, or the millisecond tick count where there
    // is none.
    static quint64 performanceCounterEntropy();

    explicit SaltGenerator(EntropySource source = performanceCounterEntropy);
    ~SaltGenerator();
    SaltGenerator(const SaltGenerator &) = delete;
    SaltGenerator &operator=(const SaltGenerator &) = delete;

    void draw(unsigned char *out, int count);
    // Sets the whole state to zero bytes.
    void clear();

    // One compression per 20-byte segment, chained through the segment before it.
    static void mix(Block &block);

private:
    void refresh();
    void refill(Block &block);

    EntropySource source_;
    Block pool_{};
    Block output_{};
    int readPosition_ = 0;
};

} // namespace vo
