#include "archive/HeaderKey.h"

#include <algorithm>
#include <cstring>

namespace rardll {

namespace {

// SHA-256 (FIPS 180-4), kept to what the key derivation needs: a state that
// can be copied after the padded key's block and fed more bytes.
class Sha256State {
public:
    Sha256State() { std::memcpy(h_, kInit, sizeof h_); }
    void Add(const unsigned char* data, std::size_t size) {
        length_ += size;
        while (size > 0) {
            const std::size_t n = std::min(size, sizeof block_ - fill_);
            std::memcpy(block_ + fill_, data, n);
            fill_ += n;
            data += n;
            size -= n;
            if (fill_ == sizeof block_) {
                Compress(block_);
                fill_ = 0;
            }
        }
    }
    std::array<unsigned char, 32> Finish() {
        const std::uint64_t bits = length_ * 8;
        const unsigned char one = 0x80, zero = 0;
        Add(&one, 1);
        while (fill_ != 56) Add(&zero, 1);
        unsigned char size[8];
        for (int i = 0; i < 8; ++i) size[i] = static_cast<unsigned char>(bits >> (56 - 8 * i));
        Add(size, 8);
        std::array<unsigned char, 32> out{};
        for (int i = 0; i < 32; ++i) out[i] = static_cast<unsigned char>(h_[i / 4] >> (24 - 8 * (i % 4)));
        return out;
    }

private:
    static constexpr std::uint32_t kInit[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                               0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    static constexpr std::uint32_t kRound[64] = {
        0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4,
        0xab1c5ed5, 0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe,
        0x9bdc06a7, 0xc19bf174, 0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f,
        0x4a7484aa, 0x5cb0a9dc, 0x76f988da, 0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7,
        0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967, 0x27b70a85, 0x2e1b2138, 0x4d2c6dfc,
        0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85, 0xa2bfe8a1, 0xa81a664b,
        0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070, 0x19a4c116,
        0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
        0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7,
        0xc67178f2};
    static std::uint32_t Rotr(std::uint32_t x, int n) { return x >> n | x << (32 - n); }
    void Compress(const unsigned char* p) {
        std::uint32_t w[64];
        for (int i = 0; i < 16; ++i)
            w[i] = static_cast<std::uint32_t>(p[4 * i]) << 24 | p[4 * i + 1] << 16 |
                   p[4 * i + 2] << 8 | p[4 * i + 3];
        for (int i = 16; i < 64; ++i) {
            const std::uint32_t s0 = Rotr(w[i - 15], 7) ^ Rotr(w[i - 15], 18) ^ w[i - 15] >> 3;
            const std::uint32_t s1 = Rotr(w[i - 2], 17) ^ Rotr(w[i - 2], 19) ^ w[i - 2] >> 10;
            w[i] = w[i - 16] + s0 + w[i - 7] + s1;
        }
        std::uint32_t a = h_[0], b = h_[1], c = h_[2], d = h_[3], e = h_[4], f = h_[5], g = h_[6],
                      h = h_[7];
        for (int i = 0; i < 64; ++i) {
            const std::uint32_t t1 =
                h + (Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25)) + ((e & f) ^ (~e & g)) + kRound[i] + w[i];
            const std::uint32_t t2 = (Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
            h = g;
            g = f;
            f = e;
            e = d + t1;
            d = c;
            c = b;
            b = a;
            a = t1 + t2;
        }
        h_[0] += a, h_[1] += b, h_[2] += c, h_[3] += d, h_[4] += e, h_[5] += f, h_[6] += g, h_[7] += h;
    }

    std::uint32_t h_[8];
    unsigned char block_[64] = {};
    std::size_t fill_ = 0;
    std::uint64_t length_ = 0;
};

// HMAC-SHA-256 with one key: the states after the padded key's block are
// made once and copied for every message, as PBKDF2 hashes thousands.
class Hmac {
public:
    explicit Hmac(const std::string& key) {
        unsigned char padded[64] = {};
        if (key.size() > sizeof padded) {
            const auto hashed = Sha256(reinterpret_cast<const unsigned char*>(key.data()), key.size());
            std::memcpy(padded, hashed.data(), hashed.size());
        } else {
            std::memcpy(padded, key.data(), key.size());
        }
        unsigned char pad[64];
        for (int i = 0; i < 64; ++i) pad[i] = padded[i] ^ 0x36;
        inner_.Add(pad, sizeof pad);
        for (int i = 0; i < 64; ++i) pad[i] = padded[i] ^ 0x5c;
        outer_.Add(pad, sizeof pad);
    }
    std::array<unsigned char, 32> Of(const unsigned char* data, std::size_t size) const {
        Sha256State inner = inner_, outer = outer_;
        inner.Add(data, size);
        const auto digest = inner.Finish();
        outer.Add(digest.data(), digest.size());
        return outer.Finish();
    }

private:
    Sha256State inner_, outer_;
};

// PBKDF2's one block after each of `count` growing round counts (the format
// takes the key's count, then 16 and 32 more).
void Pbkdf2(const std::string& password, const unsigned char* salt, std::size_t saltSize,
            const std::uint32_t* rounds, std::array<unsigned char, 32>* values, int count) {
    const Hmac hmac(password);
    std::string first(reinterpret_cast<const char*>(salt), saltSize);
    first += std::string("\0\0\0\1", 4);
    auto u = hmac.Of(reinterpret_cast<const unsigned char*>(first.data()), first.size());
    auto f = u;
    std::uint32_t done = 1;
    for (int v = 0; v < count; ++v) {
        for (; done < rounds[v]; ++done) {
            u = hmac.Of(u.data(), u.size());
            for (std::size_t k = 0; k < f.size(); ++k) f[k] ^= u[k];
        }
        values[v] = f;
    }
}

unsigned char Times2(unsigned char x) {
    return static_cast<unsigned char>(x << 1 ^ (x & 0x80 ? 0x1B : 0));
}
unsigned char Multiply(unsigned char x, unsigned char by) {
    unsigned char out = 0;
    for (; by; by >>= 1, x = Times2(x))
        if (by & 1) out ^= x;
    return out;
}

// AES tables, made once from the field's arithmetic: the S-box, its
// inverse, and the products the inverse column mix takes (by 9, 11, 13, 14).
struct AesTables {
    unsigned char sbox[256], inverse[256];
    unsigned char times9[256], times11[256], times13[256], times14[256];
    AesTables() {
        unsigned char p = 1, q = 1;
        do {
            p = static_cast<unsigned char>(p ^ (p << 1) ^ (p & 0x80 ? 0x1B : 0));
            q ^= static_cast<unsigned char>(q << 1);
            q ^= static_cast<unsigned char>(q << 2);
            q ^= static_cast<unsigned char>(q << 4);
            if (q & 0x80) q ^= 0x09;
            const auto rotl = [](unsigned char x, int n) {
                return static_cast<unsigned char>(x << n | x >> (8 - n));
            };
            sbox[p] = static_cast<unsigned char>(q ^ rotl(q, 1) ^ rotl(q, 2) ^ rotl(q, 3) ^
                                                 rotl(q, 4) ^ 0x63);
        } while (p != 1);
        sbox[0] = 0x63;
        for (int i = 0; i < 256; ++i) {
            const auto x = static_cast<unsigned char>(i);
            inverse[sbox[i]] = x;
            times9[i] = Multiply(x, 9);
            times11[i] = Multiply(x, 11);
            times13[i] = Multiply(x, 13);
            times14[i] = Multiply(x, 14);
        }
    }
};
const AesTables& Tables() {
    static const AesTables tables;
    return tables;
}

}  // namespace

std::array<unsigned char, 32> Sha256(const unsigned char* data, std::size_t size) {
    Sha256State state;
    state.Add(data, size);
    return state.Finish();
}

std::array<unsigned char, 32> Pbkdf2Sha256(const std::string& password, const unsigned char* salt,
                                           std::size_t saltSize, std::uint32_t iterations) {
    std::array<unsigned char, 32> value{};
    Pbkdf2(password, salt, saltSize, &iterations, &value, 1);
    return value;
}

HeaderKey DeriveHeaderKey(const std::string& password, const unsigned char* salt,
                          std::size_t saltSize, std::uint32_t iterations) {
    std::array<unsigned char, 32> values[3];
    const std::uint32_t rounds[3] = {iterations, iterations + 16, iterations + 32};
    Pbkdf2(password, salt, saltSize, rounds, values, 3);
    HeaderKey out;
    out.key = values[0];
    for (std::size_t i = 0; i < values[2].size(); ++i) out.check[i % out.check.size()] ^= values[2][i];
    return out;
}

Aes256Decryptor::Aes256Decryptor(const std::array<unsigned char, 32>& key) {
    const AesTables& t = Tables();
    std::memcpy(roundKeys_.data(), key.data(), key.size());
    unsigned char rcon = 1;
    for (std::size_t i = 8; i < 60; ++i) {
        unsigned char word[4];
        std::memcpy(word, &roundKeys_[4 * (i - 1)], 4);
        if (i % 8 == 0) {
            const unsigned char first = word[0];
            word[0] = static_cast<unsigned char>(t.sbox[word[1]] ^ rcon);
            word[1] = t.sbox[word[2]];
            word[2] = t.sbox[word[3]];
            word[3] = t.sbox[first];
            rcon = Times2(rcon);
        } else if (i % 8 == 4) {
            for (unsigned char& b : word) b = t.sbox[b];
        }
        for (int k = 0; k < 4; ++k) roundKeys_[4 * i + k] = roundKeys_[4 * (i - 8) + k] ^ word[k];
    }
}

void Aes256Decryptor::DecryptBlock(unsigned char s[16]) const {
    const AesTables& t = Tables();
    const auto addRoundKey = [&](int round) {
        for (int i = 0; i < 16; ++i) s[i] ^= roundKeys_[16 * round + i];
    };
    // Row r of the column-major state moves r columns right, each byte
    // through the inverse S-box.
    const auto inverseShiftAndSub = [&] {
        unsigned char out[16];
        for (int c = 0; c < 4; ++c)
            for (int r = 0; r < 4; ++r) out[r + 4 * ((c + r) % 4)] = t.inverse[s[r + 4 * c]];
        std::memcpy(s, out, 16);
    };
    addRoundKey(14);
    for (int round = 13; round >= 0; --round) {
        inverseShiftAndSub();
        addRoundKey(round);
        if (round == 0) break;
        for (int c = 0; c < 4; ++c) {
            unsigned char* a = s + 4 * c;
            const unsigned char a0 = a[0], a1 = a[1], a2 = a[2], a3 = a[3];
            a[0] = t.times14[a0] ^ t.times11[a1] ^ t.times13[a2] ^ t.times9[a3];
            a[1] = t.times9[a0] ^ t.times14[a1] ^ t.times11[a2] ^ t.times13[a3];
            a[2] = t.times13[a0] ^ t.times9[a1] ^ t.times14[a2] ^ t.times11[a3];
            a[3] = t.times11[a0] ^ t.times13[a1] ^ t.times9[a2] ^ t.times14[a3];
        }
    }
}

void Aes256Decryptor::DecryptCbc(unsigned char* data, std::size_t size, unsigned char iv[16]) const {
    for (std::size_t at = 0; at + 16 <= size; at += 16) {
        unsigned char cipher[16];
        std::memcpy(cipher, data + at, 16);
        DecryptBlock(data + at);
        for (int i = 0; i < 16; ++i) data[at + i] ^= iv[i];
        std::memcpy(iv, cipher, 16);
    }
}

}  // namespace rardll
