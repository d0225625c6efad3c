// SHA1_Transform is deprecated in OpenSSL 3, yet it is the library's only way to run the bare
// compression function from chosen chaining words, which the salt generator needs.
#define OPENSSL_SUPPRESS_DEPRECATED

#include "branding/CryptoPrimitives.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/params.h>
#include <openssl/sha.h>

#include <algorithm>
#include <climits>
#include <string>
#include <stdexcept>

namespace vo::crypto {

namespace {

[[noreturn]] void libcryptoFailed(const char *what)
{
    throw std::runtime_error(std::string("libcrypto: ") + what + " failed");
}

void check(int result, const char *what)
{
    if (result != 1)
        libcryptoFailed(what);
}

const EVP_CIPHER *aesEcbFor(qsizetype keyLength)
{
    switch (keyLength) {
    case 16: return EVP_aes_128_ecb();
    case 24: return EVP_aes_192_ecb();
    case 32: return EVP_aes_256_ecb();
    default: throw std::invalid_argument("AES key must be 16, 24 or 32 bytes");
    }
}

const unsigned char *bytes(QByteArrayView view)
{
    return reinterpret_cast<const unsigned char *>(view.data());
}

} // namespace

void pbkdf2HmacSha1(QByteArrayView password, QByteArrayView salt, int iterations, unsigned char *out,
                    int length)
{
    check(PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), bytes(salt),
                            static_cast<int>(salt.size()), iterations, EVP_sha1(), length, out),
          "PBKDF2");
}

AesEncryptor::AesEncryptor(QByteArrayView key)
    : ctx_(EVP_CIPHER_CTX_new())
{
    if (!ctx_)
        libcryptoFailed("EVP_CIPHER_CTX_new");
    try {
        check(EVP_EncryptInit_ex(ctx_, aesEcbFor(key.size()), nullptr, bytes(key), nullptr), "AES key setup");
        check(EVP_CIPHER_CTX_set_padding(ctx_, 0), "AES padding");
    } catch (...) {
        EVP_CIPHER_CTX_free(ctx_);
        throw;
    }
}

AesEncryptor::~AesEncryptor()
{
    EVP_CIPHER_CTX_free(ctx_); // clears the key schedule
}

void AesEncryptor::encryptBlocks(const unsigned char *in, unsigned char *out, std::size_t blockCount)
{
    constexpr std::size_t MaxBlocksPerCall = INT_MAX / AesBlockSize;
    while (blockCount > 0) {
        const std::size_t blocks = std::min(blockCount, MaxBlocksPerCall);
        int written = 0;
        check(EVP_EncryptUpdate(ctx_, out, &written, in, static_cast<int>(blocks * AesBlockSize)), "AES");
        in += blocks * AesBlockSize;
        out += blocks * AesBlockSize;
        blockCount -= blocks;
    }
}

HmacSha1::HmacSha1(QByteArrayView key)
{
    EVP_MAC *mac = EVP_MAC_fetch(nullptr, OSSL_MAC_NAME_HMAC, nullptr);
    if (!mac)
        libcryptoFailed("EVP_MAC_fetch(HMAC)");
    ctx_ = EVP_MAC_CTX_new(mac);
    EVP_MAC_free(mac); // the context holds its own reference
    if (!ctx_)
        libcryptoFailed("EVP_MAC_CTX_new");
    char digest[] = "SHA1";
    const OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
        OSSL_PARAM_construct_end(),
    };
    if (EVP_MAC_init(ctx_, bytes(key), static_cast<size_t>(key.size()), params) != 1) {
        EVP_MAC_CTX_free(ctx_);
        libcryptoFailed("HMAC key setup");
    }
}

HmacSha1::~HmacSha1()
{
    EVP_MAC_CTX_free(ctx_);
}

void HmacSha1::update(const unsigned char *data, std::size_t length)
{
    check(EVP_MAC_update(ctx_, data, length), "HMAC");
}

QByteArray HmacSha1::finish()
{
    QByteArray code(Sha1Size, Qt::Uninitialized);
    size_t written = 0;
    check(EVP_MAC_final(ctx_, reinterpret_cast<unsigned char *>(code.data()), &written, Sha1Size), "HMAC final");
    return code;
}

void sha1Compress(Sha1ChainingWords &words, const unsigned char *block)
{
    SHA_CTX ctx;
    SHA1_Init(&ctx);
    ctx.h0 = words[0];
    ctx.h1 = words[1];
    ctx.h2 = words[2];
    ctx.h3 = words[3];
    ctx.h4 = words[4];
    SHA1_Transform(&ctx, block);
    words = {ctx.h0, ctx.h1, ctx.h2, ctx.h3, ctx.h4};
    OPENSSL_cleanse(&ctx, sizeof ctx);
}

} // namespace vo::crypto
