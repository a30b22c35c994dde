#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The encryption of an iPhone backup. Manifest.plist holds the backup's
// keybag and ManifestKey; the keybag holds the class keys, each wrapped
// (RFC 3394) with a key stretched from the password: PBKDF2 with SHA-256
// over the keybag's DPSL salt and DPIC count, and PBKDF2 with SHA-1 over
// that with its SALT and ITER. A wrapped file key (ManifestKey, and each
// file's EncryptionKey) is 4 bytes of its protection class, least
// significant first, and the key wrapped with that class's key. Files are
// AES-256-CBC with a zero IV.

using Bytes = std::vector<uint8_t>;

struct Keybag {
    Bytes salt;
    uint64_t nIterations = 0;
    Bytes dpsl;
    uint64_t nDpic = 0;
    // The wrapped key of each protection class, of those wrapped with the
    // password.
    std::map<uint32_t, Bytes> wrappedKeys;
};

// Reads the keybag's tag, length, value records. nullopt when it is cut
// short or lacks what the password needs.
std::optional<Keybag> ParseKeybag(std::span<const uint8_t> bytes);

// PBKDF2 with HMAC-SHA-256 or HMAC-SHA-1; nullopt on failure.
std::optional<Bytes> Pbkdf2Sha256(std::span<const uint8_t> password, std::span<const uint8_t> salt,
                                  uint64_t nIterations, size_t nLength);
std::optional<Bytes> Pbkdf2Sha1(std::span<const uint8_t> password, std::span<const uint8_t> salt, uint64_t nIterations,
                                size_t nLength);
// RFC 3394 key unwrap with AES; nullopt when the integrity check fails.
std::optional<Bytes> UnwrapKey(std::span<const uint8_t> kek, std::span<const uint8_t> wrapped);

// The key that unwraps the class keys, stretched from the password.
std::optional<Bytes> PasswordKey(const std::string& strPassword, const Keybag& keybag);
// Every class key; nullopt when one does not unwrap: the password is wrong.
std::optional<std::map<uint32_t, Bytes>> UnlockClassKeys(const Keybag& keybag, std::span<const uint8_t> passwordKey);
// A file key from its wrapped form (class and wrapped key); nullopt when its
// class is unknown or it does not unwrap.
std::optional<Bytes> UnwrapFileKey(std::span<const uint8_t> wrapped, const std::map<uint32_t, Bytes>& classKeys);

// What Files.file (an archived property list) tells of a file: its wrapped
// key and its size.
struct FileCrypto {
    Bytes wrappedKey;
    std::optional<uint64_t> nSize;
};
std::optional<FileCrypto> FileCryptoFromProperties(std::span<const uint8_t> bytes);

// Decrypts a file into another, which it creates readable by the user only,
// cut to nSize when given, else without its padding. Returns 0, or -1 with
// *pstrError set.
int DecryptFile(const std::string& strFrom, const std::string& strTo, std::span<const uint8_t> key,
                std::optional<uint64_t> nSize, std::string* pstrError);
