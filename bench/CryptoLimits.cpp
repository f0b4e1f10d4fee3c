#include "CryptoLimits.h"
#include "Timing.h"

#include "security/uSecurityUtils.h"

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/params.h>

#include <stdexcept>
#include <vector>

namespace vk::bench {

namespace {

constexpr std::size_t BufferSize = 4 * 1024 * 1024;
// Long enough for a steady figure, short enough to keep the run brisk.
constexpr double MeasureSeconds = 1.5;

// Runs step over the 4 MiB buffer until MeasureSeconds of CPU time have passed;
// bytes per CPU second.
template <typename Step> double Throughput(Step step) {
    std::vector<unsigned char> buffer(BufferSize, 0x5a);
    step(buffer.data(), buffer.size()); // warm up
    double start = CpuSeconds();
    double elapsed = 0;
    std::size_t bytes = 0;
    do {
        step(buffer.data(), buffer.size());
        bytes += buffer.size();
        elapsed = CpuSeconds() - start;
    } while (elapsed < MeasureSeconds);
    return static_cast<double>(bytes) / elapsed;
}

void Check(int ok, const char* what) {
    if (ok != 1)
        throw std::runtime_error(std::string("OpenSSL failed: ") + what);
}

double MeasureAes() {
    Bytes key = RandomBytes(32);
    Bytes iv = RandomBytes(16);
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    EVP_CIPHER* aes = EVP_CIPHER_fetch(nullptr, "AES-256-CTR", nullptr);
    Check(ctx && aes ? 1 : 0, "AES-256-CTR context");
    Check(EVP_EncryptInit_ex2(ctx, aes, key.data(), iv.data(), nullptr), "EVP_EncryptInit_ex2");
    double rate = Throughput([ctx](unsigned char* data, std::size_t size) {
        int written = 0;
        Check(EVP_EncryptUpdate(ctx, data, &written, data, static_cast<int>(size)), "EVP_EncryptUpdate");
    });
    EVP_CIPHER_free(aes);
    EVP_CIPHER_CTX_free(ctx);
    return rate;
}

double MeasureHmac() {
    Bytes key = RandomBytes(32);
    EVP_MAC* hmac = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
    EVP_MAC_CTX* ctx = hmac ? EVP_MAC_CTX_new(hmac) : nullptr;
    Check(ctx ? 1 : 0, "HMAC context");
    char digest[] = "SHA256";
    OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0), OSSL_PARAM_END};
    Check(EVP_MAC_init(ctx, key.data(), key.size(), params), "EVP_MAC_init");
    double rate = Throughput(
        [ctx](unsigned char* data, std::size_t size) { Check(EVP_MAC_update(ctx, data, size), "EVP_MAC_update"); });
    unsigned char mac[32];
    std::size_t macLength = 0;
    Check(EVP_MAC_final(ctx, mac, &macLength, sizeof mac), "EVP_MAC_final");
    EVP_MAC_CTX_free(ctx);
    EVP_MAC_free(hmac);
    return rate;
}

double MeasurePbkdf2() {
    Bytes salt = RandomBytes(16);
    double start = CpuSeconds();
    Bytes key = Pbkdf2Sha256("benchmark password", salt, 200000, 32);
    double seconds = CpuSeconds() - start;
    SecureWipe(key);
    return seconds;
}

} // namespace

CryptoLimits MeasureCryptoLimits() {
    CryptoLimits limits;
    limits.AesBytesPerSecond = MeasureAes();
    limits.HmacBytesPerSecond = MeasureHmac();
    limits.Pbkdf2Seconds = MeasurePbkdf2();
    return limits;
}

} // namespace vk::bench
