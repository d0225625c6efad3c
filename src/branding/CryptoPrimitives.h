#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <array>
#include <cstddef>

struct evp_cipher_ctx_st;
struct evp_mac_ctx_st;

// Thin owners of the libcrypto primitives that the container composes. Each one is checked
// against its standard's published vectors, so the container's own tests can trust them.
namespace vo::crypto {

inline constexpr int AesBlockSize = 16;
inline constexpr int Sha1Size = 20;
inline constexpr int Sha1BlockSize = 64;

// PBKDF2 (RFC 2898) with HMAC-SHA1 as the pseudo-random function; fills out[0..length).
void pbkdf2HmacSha1(QByteArrayView password, QByteArrayView salt, int iterations, unsigned char *out,
                    int length);

// AES encryption of whole 16-byte blocks, each on its own (ECB); the key is 16, 24 or 32 bytes.
class AesEncryptor
{
public:
    explicit AesEncryptor(QByteArrayView key);
    ~AesEncryptor();
    AesEncryptor(const AesEncryptor &) = delete;
    AesEncryptor &operator=(const AesEncryptor &) = delete;

    void encryptBlocks(const unsigned char *in, unsigned char *out, std::size_t blockCount);

private:
    evp_cipher_ctx_st *ctx_;
};

// Streaming HMAC-SHA1 (RFC 2104).
class HmacSha1
{
public:
    explicit HmacSha1(QByteArrayView key);
    ~HmacSha1();
    HmacSha1(const HmacSha1 &) = delete;
    HmacSha1 &operator=(const HmacSha1 &) = delete;

    void update(const unsigned char *data, std::size_t length);
    // The 20-byte code; the object is spent afterwards.
    QByteArray finish();

private:
    evp_mac_ctx_st *ctx_;
};

// The SHA-1 compression function (FIPS 180-4, 6.1.2 step 1 to 4) on one 64-byte message block,
// starting from and updating the five chaining words.
using Sha1ChainingWords = std::array<quint32, 5>;
void sha1Compress(Sha1ChainingWords &words, const unsigned char *block);

} // namespace vo::crypto
