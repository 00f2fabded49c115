#pragma once
// Reading the encrypted headers of a RAR 5 archive ("rar -hp"), so that the
// block-chain walk can follow them with the password the run was given: the
// key the format derives from the password (PBKDF2 with HMAC-SHA-256), the
// value it stores to check a password with, and AES-256 in CBC mode to
// decrypt the headers. Only reading; no Qt.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace rardll {

// SHA-256 of `size` bytes.
std::array<unsigned char, 32> Sha256(const unsigned char* data, std::size_t size);

// The format's key derivation: PBKDF2-HMAC-SHA-256 of the password's UTF-8
// bytes and the salt, `iterations` rounds for the key; the password check
// value comes of 32 rounds more, folded into 8 bytes.
struct HeaderKey {
    std::array<unsigned char, 32> key{};
    std::array<unsigned char, 8> check{};
};
HeaderKey DeriveHeaderKey(const std::string& password, const unsigned char* salt,
                          std::size_t saltSize, std::uint32_t iterations);

// The raw PBKDF2-HMAC-SHA-256 value after `iterations` rounds (one block).
std::array<unsigned char, 32> Pbkdf2Sha256(const std::string& password, const unsigned char* salt,
                                           std::size_t saltSize, std::uint32_t iterations);

// AES-256 decryption, one key.
class Aes256Decryptor {
public:
    explicit Aes256Decryptor(const std::array<unsigned char, 32>& key);
    // Decrypts `size` bytes (a multiple of 16) in place in CBC mode; `iv`
    // is updated to the last block of cipher text, so that a later call
    // goes on where this one stopped.
    void DecryptCbc(unsigned char* data, std::size_t size, unsigned char iv[16]) const;
    void DecryptBlock(unsigned char block[16]) const;

private:
    std::array<unsigned char, 240> roundKeys_{};
};

}  // namespace rardll
