// The FM151M chip's algorithms, computed with OpenSSL: digests over start/add/finish and
// block ciphers (no padding) over start/process/release.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace kestrel::sim::crypto {

enum class Digest : std::uint8_t { sha1 = 0, sha256 = 1, sm3 = 2, md5 = 3 };
enum class Algorithm : std::uint8_t { des = 0, tdes = 1, ssf33 = 2, sm1 = 3, sm7 = 4, sm4 = 5 };

class Hash {
public:
    Hash();
    ~Hash();
    Hash(Hash&&) noexcept;
    Hash& operator=(Hash&&) noexcept;
    bool start(Digest d);
    bool add(std::span<const std::uint8_t> data);
    // The digest; the hash is idle again afterwards. Empty when it was not started.
    std::vector<std::uint8_t> finish();
    bool active() const;
    void release();

private:
    struct State;
    std::unique_ptr<State> s_;
};

class Cipher {
public:
    Cipher();
    ~Cipher();
    Cipher(Cipher&&) noexcept;
    Cipher& operator=(Cipher&&) noexcept;
    // Loads key (and, for CBC, the initial vector). False for a key or vector of the wrong
    // length, or an algorithm without a public definition (SSF33, SM1, SM7).
    bool start(Algorithm a, bool cbc, bool encrypt, std::span<const std::uint8_t> key,
               std::span<const std::uint8_t> iv);
    // Whole blocks only; false when the data is not a multiple of the block size.
    bool process(std::span<const std::uint8_t> in, std::vector<std::uint8_t>& out);
    bool active() const;
    void release();
    // Block size of an algorithm with a public definition, else 0.
    static std::size_t block_size(Algorithm a);

private:
    struct State;
    std::unique_ptr<State> s_;
};

// One block encrypted with SM4 in ECB mode (key diversification).
std::vector<std::uint8_t> sm4_encrypt_block(std::span<const std::uint8_t, 16> key, std::span<const std::uint8_t, 16> block);

// `n` random bytes.
std::vector<std::uint8_t> random_bytes(std::size_t n);

}  // namespace kestrel::sim::crypto
