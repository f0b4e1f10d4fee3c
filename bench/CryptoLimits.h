#pragma once

// One-core crypto limits measured with OpenSSL in the running process, per
// second of CPU time: the ceiling the locker operations are held against.

namespace vk::bench {

struct CryptoLimits {
    double AesBytesPerSecond = 0;  // AES-256-CTR over 4 MiB buffers
    double HmacBytesPerSecond = 0; // HMAC-SHA256 over 4 MiB buffers
    double Pbkdf2Seconds = 0;      // CPU time of one 200000-iteration PBKDF2-HMAC-SHA256 derivation

    // Encrypting and MACing every byte on one core: 1 / (1/AES + 1/HMAC).
    double CombinedBytesPerSecond() const { return 1.0 / (1.0 / AesBytesPerSecond + 1.0 / HmacBytesPerSecond); }
};

CryptoLimits MeasureCryptoLimits();

} // namespace vk::bench
