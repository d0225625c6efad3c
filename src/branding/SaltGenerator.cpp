#include "branding/SaltGenerator.h"

#include "branding/CryptoPrimitives.h"
#include "platform/PerformanceCounter.h"

#include <QtEndian>

#include <openssl/crypto.h>

namespace vo {

namespace {
constexpr int SegmentSize = crypto::Sha1Size;
constexpr int StartMixRounds = 20;
constexpr int EntropyRequestMax = 8;
} // namespace

quint64 SaltGenerator::performanceCounterEntropy()
{
    // The tick count stands in as a 32-bit number followed by four zero bytes.
    return readPerformanceCounter().value_or(tickCountMs());
}

SaltGenerator::SaltGenerator(EntropySource source)
    : source_(std::move(source))
{
    refresh();
    for (int i = 0; i < StartMixRounds; ++i)
        mix(pool_);
    refresh();
    readPosition_ = 0;
}

SaltGenerator::~SaltGenerator()
{
    clear();
}

void SaltGenerator::clear()
{
    OPENSSL_cleanse(pool_.data(), pool_.size());
    OPENSSL_cleanse(output_.data(), output_.size());
    readPosition_ = 0;
}

void SaltGenerator::draw(unsigned char *out, int count)
{
    for (int i = 0; i < count; ++i) {
        if (readPosition_ == BlockSize) {
            refresh();
            readPosition_ = 0;
        }
        out[i] = output_[readPosition_++];
    }
}

void SaltGenerator::refresh()
{
    output_ = pool_;
    refill(pool_);
    for (int i = 0; i < BlockSize; ++i)
        pool_[i] ^= static_cast<unsigned char>(~output_[i]);
    mix(pool_);
    mix(output_);
}

void SaltGenerator::refill(Block &block)
{
    // Each request asks for all the bytes still missing and gets at most eight of them.
    int filled = 0;
    while (filled < BlockSize) {
        unsigned char value[sizeof(quint64)];
        qToLittleEndian(source_(), value);
        const int take = qMin(BlockSize - filled, EntropyRequestMax);
        std::copy_n(value, take, block.begin() + filled);
        filled += take;
    }
}

void SaltGenerator::mix(Block &block)
{
    for (int segment = 0; segment < BlockSize; segment += SegmentSize) {
        const int previous = (segment + BlockSize - SegmentSize) % BlockSize;
        crypto::Sha1ChainingWords words;
        for (int w = 0; w < 5; ++w)
            words[w] = qFromLittleEndian<quint32>(block.data() + previous + 4 * w);

        // The message block runs on past the end of the pool into its start.
        unsigned char message[crypto::Sha1BlockSize];
        for (int i = 0; i < crypto::Sha1BlockSize; ++i)
            message[i] = block[(segment + i) % BlockSize];

        crypto::sha1Compress(words, message);
        for (int w = 0; w < 5; ++w)
            qToLittleEndian(words[w], block.data() + segment + 4 * w);
    }
}

} // namespace vo
