// Salted, slow password hashes through OpenSSL's libcrypto: PBKDF2 with
// HMAC-SHA256, salts from RAND_bytes, comparison with CRYPTO_memcmp.
#include "password.hpp"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

namespace tarn::password {

namespace {

bool derive(std::string_view password, const std::string &salt, int iterations, unsigned char (&hash)[kHashSize])
{
    return PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()),
                             reinterpret_cast<const unsigned char *>(salt.data()), static_cast<int>(salt.size()),
                             iterations, EVP_sha256(), static_cast<int>(kHashSize), hash) == 1;
}

bool well_formed(const Record &record)
{
    return record.salt.size() == kSaltSize && record.hash.size() == kHashSize && record.iterations >= kMinIterations &&
           record.iterations <= kMaxIterations;
}

}  // namespace

bool make_record(std::string_view password, Record &record, int iterations)
{
    unsigned char salt[kSaltSize];
    unsigned char hash[kHashSize];
    if (iterations < kMinIterations || iterations > kMaxIterations) return false;
    if (RAND_bytes(salt, sizeof salt) != 1) return false;
    record.salt.assign(reinterpret_cast<const char *>(salt), sizeof salt);
    record.iterations = iterations;
    if (!derive(password, record.salt, iterations, hash)) return false;
    record.hash.assign(reinterpret_cast<const char *>(hash), sizeof hash);
    OPENSSL_cleanse(hash, sizeof hash);
    return true;
}

bool matches(std::string_view password, const Record &record)
{
    if (!well_formed(record)) return false;
    unsigned char hash[kHashSize];
    bool same = derive(password, record.salt, record.iterations, hash) &&
                CRYPTO_memcmp(hash, record.hash.data(), kHashSize) == 0;
    OPENSSL_cleanse(hash, sizeof hash);
    return same;
}

const Record &dummy_record()
{
    // All-zero salt and hash: no password derives 32 zero bytes in practice,
    // and callers never accept a match against it anyway.
    static const Record dummy{std::string(kSaltSize, '\0'), std::string(kHashSize, '\0'), kDefaultIterations};
    return dummy;
}

}  // namespace tarn::password
