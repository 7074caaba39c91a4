#include "sim/crypto.h"

#include <openssl/evp.h>
#include <openssl/provider.h>
#include <openssl/rand.h>

namespace kestrel::sim::crypto {

namespace {

// A library context with the default provider and, for single DES, the legacy one.
OSSL_LIB_CTX* context() {
    static OSSL_LIB_CTX* ctx = [] {
        OSSL_LIB_CTX* c = OSSL_LIB_CTX_new();
        OSSL_PROVIDER_load(c, "default");
        OSSL_PROVIDER_load(c, "legacy");  // may be missing: DES then fails to fetch
        return c;
    }();
    return ctx;
}

const char* digest_name(Digest d) {
    switch (d) {
    case Digest::sha1: return "SHA1";
    case Digest::sha256: return "SHA256";
    case Digest::sm3: return "SM3";
    case Digest::md5: return "MD5";
    }
    return nullptr;
}

}  // namespace

struct Hash::State {
    EVP_MD_CTX* ctx = nullptr;
    ~State() { EVP_MD_CTX_free(ctx); }
};

Hash::Hash() : s_(std::make_unique<State>()) {}
Hash::~Hash() = default;
Hash::Hash(Hash&&) noexcept = default;
Hash& Hash::operator=(Hash&&) noexcept = default;

bool Hash::start(Digest d) {
    release();
    EVP_MD* md = EVP_MD_fetch(context(), digest_name(d), nullptr);
    if (!md) return false;
    s_->ctx = EVP_MD_CTX_new();
    const bool ok = s_->ctx && EVP_DigestInit_ex(s_->ctx, md, nullptr) == 1;
    EVP_MD_free(md);
    if (!ok) release();
    return ok;
}

bool Hash::add(std::span<const std::uint8_t> data) {
    return s_->ctx && EVP_DigestUpdate(s_->ctx, data.data(), data.size()) == 1;
}

std::vector<std::uint8_t> Hash::finish() {
    std::vector<std::uint8_t> out;
    if (!s_->ctx) return out;
    unsigned n = 0;
    out.resize(EVP_MAX_MD_SIZE);
    if (EVP_DigestFinal_ex(s_->ctx, out.data(), &n) == 1) out.resize(n);
    else out.clear();
    release();
    return out;
}

bool Hash::active() const { return s_->ctx != nullptr; }

void Hash::release() {
    EVP_MD_CTX_free(s_->ctx);
    s_->ctx = nullptr;
}

struct Cipher::State {
    EVP_CIPHER_CTX* ctx = nullptr;
    std::size_t block = 0;
    ~State() { EVP_CIPHER_CTX_free(ctx); }
};

Cipher::Cipher() : s_(std::make_unique<State>()) {}
Cipher::~Cipher() = default;
Cipher::Cipher(Cipher&&) noexcept = default;
Cipher& Cipher::operator=(Cipher&&) noexcept = default;

std::size_t Cipher::block_size(Algorithm a) {
    switch (a) {
    case Algorithm::des:
    case Algorithm::tdes: return 8;
    case Algorithm::sm4: return 16;
    default: return 0;
    }
}

bool Cipher::start(Algorithm a, bool cbc, bool encrypt, std::span<const std::uint8_t> key,
                   std::span<const std::uint8_t> iv) {
    release();
    const char* name = nullptr;
    switch (a) {
    case Algorithm::des:
        if (key.size() == 8) name = cbc ? "DES-CBC" : "DES-ECB";
        break;
    case Algorithm::tdes:
        if (key.size() == 16) name = cbc ? "DES-EDE-CBC" : "DES-EDE-ECB";
        if (key.size() == 24) name = cbc ? "DES-EDE3-CBC" : "DES-EDE3-ECB";
        break;
    case Algorithm::sm4:
        if (key.size() == 16) name = cbc ? "SM4-CBC" : "SM4-ECB";
        break;
    default: break;  // SSF33, SM1, SM7: no public definition
    }
    if (!name || (cbc && iv.size() != block_size(a))) return false;
    EVP_CIPHER* c = EVP_CIPHER_fetch(context(), name, nullptr);
    if (!c) return false;
    s_->ctx = EVP_CIPHER_CTX_new();
    bool ok = s_->ctx && EVP_CipherInit_ex2(s_->ctx, c, key.data(), cbc ? iv.data() : nullptr, encrypt ? 1 : 0,
                                            nullptr) == 1;
    EVP_CIPHER_free(c);
    if (ok) ok = EVP_CIPHER_CTX_set_padding(s_->ctx, 0) == 1;
    if (!ok) {
        release();
        return false;
    }
    s_->block = block_size(a);
    return true;
}

bool Cipher::process(std::span<const std::uint8_t> in, std::vector<std::uint8_t>& out) {
    if (!s_->ctx || in.size() % s_->block != 0) return false;
    out.resize(in.size() + s_->block);
    int n = 0;
    if (EVP_CipherUpdate(s_->ctx, out.data(), &n, in.data(), static_cast<int>(in.size())) != 1) return false;
    out.resize(static_cast<std::size_t>(n));
    return true;
}

bool Cipher::active() const { return s_->ctx != nullptr; }

void Cipher::release() {
    EVP_CIPHER_CTX_free(s_->ctx);
    s_->ctx = nullptr;
}

std::vector<std::uint8_t> sm4_encrypt_block(std::span<const std::uint8_t, 16> key, std::span<const std::uint8_t, 16> block) {
    Cipher c;
    std::vector<std::uint8_t> out;
    if (!c.start(Algorithm::sm4, false, true, key, {}) || !c.process(block, out)) out.assign(16, 0);
    return out;
}

std::vector<std::uint8_t> random_bytes(std::size_t n) {
    std::vector<std::uint8_t> out(n);
    if (n && RAND_bytes(out.data(), static_cast<int>(n)) != 1) out.assign(n, 0);
    return out;
}

}  // namespace kestrel::sim::crypto
