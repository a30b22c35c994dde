#include "import/ios/BackupCrypto.h"

#include <openssl/evp.h>
#include <plist/plist.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Class keys and file keys are 256 bits; wrapped, 8 bytes more.
constexpr size_t kKeyBytes = 32;
constexpr size_t kWrappedBytes = kKeyBytes + 8;
// No real keybag stretches the password more often; a larger count would
// keep the import busy for hours.
constexpr uint64_t kMostIterations = 100000000;

uint32_t BigEndian32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

uint64_t BigEndianNumber(std::span<const uint8_t> value)
{
    uint64_t n = 0;
    for (uint8_t b : value.subspan(0, std::min<size_t>(value.size(), 8)))
        n = (n << 8) | b;
    return n;
}

struct CipherCtxFree {
    void operator()(EVP_CIPHER_CTX* p) const { EVP_CIPHER_CTX_free(p); }
};
using CipherCtx = std::unique_ptr<EVP_CIPHER_CTX, CipherCtxFree>;

std::optional<Bytes> Pbkdf2(const EVP_MD* pDigest, std::span<const uint8_t> password, std::span<const uint8_t> salt,
                            uint64_t nIterations, size_t nLength)
{
    if (nIterations == 0 || nIterations > kMostIterations || password.size() > INT32_MAX || salt.size() > INT32_MAX)
        return std::nullopt;
    Bytes out(nLength);
    if (PKCS5_PBKDF2_HMAC(reinterpret_cast<const char*>(password.data()), static_cast<int>(password.size()),
                          salt.data(), static_cast<int>(salt.size()), static_cast<int>(nIterations), pDigest,
                          static_cast<int>(nLength), out.data()) != 1)
        return std::nullopt;
    return out;
}

class CFileDescriptor
{
public:
    explicit CFileDescriptor(int fd)
        : m_fd(fd)
    {}
    ~CFileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    CFileDescriptor(const CFileDescriptor&) = delete;
    CFileDescriptor& operator=(const CFileDescriptor&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

bool WriteAll(int fd, const uint8_t* p, size_t n)
{
    while (n > 0) {
        ssize_t nWritten = ::write(fd, p, n);
        if (nWritten < 0 && errno == EINTR)
            continue;
        if (nWritten <= 0)
            return false;
        p += nWritten;
        n -= static_cast<size_t>(nWritten);
    }
    return true;
}

plist_t ArchivedObject(plist_t objects, plist_t ref)
{
    if (!ref || plist_get_node_type(ref) != PLIST_UID)
        return nullptr;
    uint64_t nIndex = 0;
    plist_get_uid_val(ref, &nIndex);
    if (nIndex >= plist_array_get_size(objects))
        return nullptr;
    return plist_array_get_item(objects, static_cast<uint32_t>(nIndex));
}

} // namespace

std::optional<Keybag> ParseKeybag(std::span<const uint8_t> bytes)
{
    Keybag keybag;
    std::optional<uint32_t> nClass;
    std::optional<uint32_t> nWrap;
    Bytes wrapped;
    bool bInClassKeys = false;
    auto FinishClassKey = [&] {
        // Wrap type 2: the class key is wrapped with the password's key.
        if (nClass && nWrap && (*nWrap & 2) && !wrapped.empty())
            keybag.wrappedKeys[*nClass] = wrapped;
        nClass.reset();
        nWrap.reset();
        wrapped.clear();
    };
    size_t nAt = 0;
    while (nAt < bytes.size()) {
        if (bytes.size() - nAt < 8)
            return std::nullopt;
        std::string strTag(reinterpret_cast<const char*>(bytes.data() + nAt), 4);
        uint32_t nLength = BigEndian32(bytes.data() + nAt + 4);
        nAt += 8;
        if (nLength > bytes.size() - nAt)
            return std::nullopt;
        std::span<const uint8_t> value = bytes.subspan(nAt, nLength);
        nAt += nLength;
        // The header's records come first; each class key starts with UUID.
        if (strTag == "UUID") {
            if (bInClassKeys)
                FinishClassKey();
            bInClassKeys = keybag.nIterations != 0 || bInClassKeys;
        } else if (!bInClassKeys) {
            if (strTag == "SALT")
                keybag.salt.assign(value.begin(), value.end());
            else if (strTag == "ITER")
                keybag.nIterations = BigEndianNumber(value);
            else if (strTag == "DPSL")
                keybag.dpsl.assign(value.begin(), value.end());
            else if (strTag == "DPIC")
                keybag.nDpic = BigEndianNumber(value);
        } else if (strTag == "CLAS") {
            nClass = static_cast<uint32_t>(BigEndianNumber(value));
        } else if (strTag == "WRAP") {
            nWrap = static_cast<uint32_t>(BigEndianNumber(value));
        } else if (strTag == "WPKY") {
            wrapped.assign(value.begin(), value.end());
        }
    }
    FinishClassKey();
    if (keybag.salt.empty() || keybag.nIterations == 0 || keybag.wrappedKeys.empty())
        return std::nullopt;
    return keybag;
}

std::optional<Bytes> Pbkdf2Sha256(std::span<const uint8_t> password, std::span<const uint8_t> salt,
                                  uint64_t nIterations, size_t nLength)
{
    return Pbkdf2(EVP_sha256(), password, salt, nIterations, nLength);
}

std::optional<Bytes> Pbkdf2Sha1(std::span<const uint8_t> password, std::span<const uint8_t> salt, uint64_t nIterations,
                                size_t nLength)
{
    return Pbkdf2(EVP_sha1(), password, salt, nIterations, nLength);
}

std::optional<Bytes> UnwrapKey(std::span<const uint8_t> kek, std::span<const uint8_t> wrapped)
{
    const EVP_CIPHER* pCipher = kek.size() == 16   ? EVP_aes_128_wrap()
                                : kek.size() == 24 ? EVP_aes_192_wrap()
                                : kek.size() == 32 ? EVP_aes_256_wrap()
                                                   : nullptr;
    if (!pCipher || wrapped.size() < 24 || wrapped.size() % 8 != 0 || wrapped.size() > 4096)
        return std::nullopt;
    CipherCtx ctx(EVP_CIPHER_CTX_new());
    if (!ctx)
        return std::nullopt;
    EVP_CIPHER_CTX_set_flags(ctx.get(), EVP_CIPHER_CTX_FLAG_WRAP_ALLOW);
    Bytes out(wrapped.size());
    int nOut = 0;
    int nFinal = 0;
    if (EVP_DecryptInit_ex(ctx.get(), pCipher, nullptr, kek.data(), nullptr) != 1 ||
        EVP_DecryptUpdate(ctx.get(), out.data(), &nOut, wrapped.data(), static_cast<int>(wrapped.size())) != 1 ||
        EVP_DecryptFinal_ex(ctx.get(), out.data() + nOut, &nFinal) != 1)
        return std::nullopt;
    out.resize(static_cast<size_t>(nOut + nFinal));
    return out;
}

std::optional<Bytes> PasswordKey(const std::string& strPassword, const Keybag& keybag)
{
    std::span<const uint8_t> password(reinterpret_cast<const uint8_t*>(strPassword.data()), strPassword.size());
    std::optional<Bytes> first;
    if (!keybag.dpsl.empty() && keybag.nDpic > 0) {
        first = Pbkdf2Sha256(password, keybag.dpsl, keybag.nDpic, kKeyBytes);
        if (!first)
            return std::nullopt;
        password = *first;
    }
    return Pbkdf2Sha1(password, keybag.salt, keybag.nIterations, kKeyBytes);
}

std::optional<std::map<uint32_t, Bytes>> UnlockClassKeys(const Keybag& keybag, std::span<const uint8_t> passwordKey)
{
    std::map<uint32_t, Bytes> keys;
    for (const auto& [nClass, wrapped] : keybag.wrappedKeys) {
        std::optional<Bytes> key = UnwrapKey(passwordKey, wrapped);
        if (!key)
            return std::nullopt;
        keys[nClass] = std::move(*key);
    }
    return keys;
}

std::optional<Bytes> UnwrapFileKey(std::span<const uint8_t> wrapped, const std::map<uint32_t, Bytes>& classKeys)
{
    if (wrapped.size() != 4 + kWrappedBytes)
        return std::nullopt;
    uint32_t nClass = uint32_t(wrapped[0]) | (uint32_t(wrapped[1]) << 8) | (uint32_t(wrapped[2]) << 16) |
                      (uint32_t(wrapped[3]) << 24);
    auto found = classKeys.find(nClass);
    if (found == classKeys.end())
        return std::nullopt;
    return UnwrapKey(found->second, wrapped.subspan(4));
}

std::optional<FileCrypto> FileCryptoFromProperties(std::span<const uint8_t> bytes)
{
    if (bytes.empty() || bytes.size() > (1u << 20))
        return std::nullopt;
    plist_t root = nullptr;
    plist_from_memory(reinterpret_cast<const char*>(bytes.data()), static_cast<uint32_t>(bytes.size()), &root);
    if (!root)
        return std::nullopt;
    std::unique_ptr<void, void (*)(void*)> owner(root, [](void* p) { plist_free(static_cast<plist_t>(p)); });
    if (plist_get_node_type(root) != PLIST_DICT)
        return std::nullopt;
    plist_t objects = plist_dict_get_item(root, "$objects");
    plist_t top = plist_dict_get_item(root, "$top");
    if (!objects || plist_get_node_type(objects) != PLIST_ARRAY || !top || plist_get_node_type(top) != PLIST_DICT)
        return std::nullopt;
    plist_t file = ArchivedObject(objects, plist_dict_get_item(top, "root"));
    if (!file || plist_get_node_type(file) != PLIST_DICT)
        return std::nullopt;
    plist_t keyObject = ArchivedObject(objects, plist_dict_get_item(file, "EncryptionKey"));
    if (!keyObject || plist_get_node_type(keyObject) != PLIST_DICT)
        return std::nullopt;
    plist_t data = plist_dict_get_item(keyObject, "NS.data");
    if (!data || plist_get_node_type(data) != PLIST_DATA)
        return std::nullopt;
    FileCrypto crypto;
    char* p = nullptr;
    uint64_t cb = 0;
    plist_get_data_val(data, &p, &cb);
    if (p)
        crypto.wrappedKey.assign(reinterpret_cast<uint8_t*>(p), reinterpret_cast<uint8_t*>(p) + cb);
    std::free(p);
    plist_t size = plist_dict_get_item(file, "Size");
    if (size && plist_get_node_type(size) == PLIST_UINT) {
        uint64_t n = 0;
        plist_get_uint_val(size, &n);
        crypto.nSize = n;
    }
    return crypto;
}

int DecryptFile(const std::string& strFrom, const std::string& strTo, std::span<const uint8_t> key,
                std::optional<uint64_t> nSize, std::string* pstrError)
{
    CFileDescriptor in(::open(strFrom.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat st {};
    if (in.Get() < 0 || ::fstat(in.Get(), &st) != 0) {
        *pstrError = std::strerror(errno);
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        *pstrError = "is not a regular file";
        return -1;
    }
    if (st.st_size % 16 != 0) {
        *pstrError = "is not a whole number of cipher blocks: damaged or not encrypted";
        return -1;
    }
    CFileDescriptor out(::open(strTo.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (out.Get() < 0) {
        *pstrError = "cannot create " + strTo + ": " + std::strerror(errno);
        return -1;
    }
    CipherCtx ctx(EVP_CIPHER_CTX_new());
    const uint8_t iv[16] = {};
    if (!ctx || key.size() != kKeyBytes ||
        EVP_DecryptInit_ex(ctx.get(), EVP_aes_256_cbc(), nullptr, key.data(), iv) != 1) {
        *pstrError = "cannot start decrypting";
        return -1;
    }
    EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
    std::vector<uint8_t> buf(1 << 20);
    std::vector<uint8_t> plain(buf.size() + 16);
    uint64_t nWritten = 0;
    uint8_t last[16] = {};
    for (;;) {
        ssize_t n = ::read(in.Get(), buf.data(), buf.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            *pstrError = std::strerror(errno);
            return -1;
        }
        if (n == 0)
            break;
        int nPlain = 0;
        if (EVP_DecryptUpdate(ctx.get(), plain.data(), &nPlain, buf.data(), static_cast<int>(n)) != 1) {
            *pstrError = "cannot be decrypted";
            return -1;
        }
        if (!WriteAll(out.Get(), plain.data(), static_cast<size_t>(nPlain))) {
            *pstrError = "cannot write " + strTo + ": " + std::strerror(errno);
            return -1;
        }
        if (nPlain >= 16)
            std::memcpy(last, plain.data() + nPlain - 16, 16);
        nWritten += static_cast<uint64_t>(nPlain);
    }
    // Without a stated size, the padding's last byte tells its length.
    uint64_t nKeep = nWritten;
    if (nSize) {
        if (*nSize > nWritten) {
            *pstrError = "is shorter than the size that the backup states: truncated";
            return -1;
        }
        nKeep = *nSize;
    } else if (nWritten >= 16 && last[15] >= 1 && last[15] <= 16) {
        nKeep = nWritten - last[15];
    }
    if (::ftruncate(out.Get(), static_cast<off_t>(nKeep)) != 0) {
        *pstrError = "cannot write " + strTo + ": " + std::strerror(errno);
        return -1;
    }
    return 0;
}
