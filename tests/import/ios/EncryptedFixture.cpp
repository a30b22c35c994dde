#include "tests/import/ios/EncryptedFixture.h"

#include "import/ios/BackupFolder.h"
#include "tests/import/ios/IosFixtures.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <plist/plist.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kFileClass = 3;
constexpr uint32_t kManifestClass = 4;

Bytes Random(size_t n)
{
    Bytes bytes(n);
    RAND_bytes(bytes.data(), static_cast<int>(n));
    return bytes;
}

Bytes Pbkdf2(const EVP_MD* pDigest, const Bytes& password, const Bytes& salt, int nIterations)
{
    Bytes out(32);
    PKCS5_PBKDF2_HMAC(reinterpret_cast<const char*>(password.data()), static_cast<int>(password.size()), salt.data(),
                      static_cast<int>(salt.size()), nIterations, pDigest, 32, out.data());
    return out;
}

Bytes Wrap(const Bytes& kek, const Bytes& key)
{
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    EVP_CIPHER_CTX_set_flags(ctx, EVP_CIPHER_CTX_FLAG_WRAP_ALLOW);
    Bytes out(key.size() + 16);
    int n = 0;
    int nFinal = 0;
    EVP_EncryptInit_ex(ctx, EVP_aes_256_wrap(), nullptr, kek.data(), nullptr);
    EVP_EncryptUpdate(ctx, out.data(), &n, key.data(), static_cast<int>(key.size()));
    EVP_EncryptFinal_ex(ctx, out.data() + n, &nFinal);
    EVP_CIPHER_CTX_free(ctx);
    out.resize(static_cast<size_t>(n + nFinal));
    return out;
}

std::string Encrypt(const Bytes& key, const std::string& strPlain)
{
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    const uint8_t iv[16] = {};
    std::string out(strPlain.size() + 32, '\0');
    int n = 0;
    int nFinal = 0;
    EVP_EncryptInit_ex(ctx, EVP_aes_256_cbc(), nullptr, key.data(), iv);
    EVP_EncryptUpdate(ctx, reinterpret_cast<uint8_t*>(out.data()), &n,
                      reinterpret_cast<const uint8_t*>(strPlain.data()), static_cast<int>(strPlain.size()));
    EVP_EncryptFinal_ex(ctx, reinterpret_cast<uint8_t*>(out.data()) + n, &nFinal);
    EVP_CIPHER_CTX_free(ctx);
    out.resize(static_cast<size_t>(n + nFinal));
    return out;
}

void Tag(Bytes* pOut, const char* pszTag, const Bytes& value)
{
    pOut->insert(pOut->end(), pszTag, pszTag + 4);
    uint32_t n = static_cast<uint32_t>(value.size());
    for (int k = 3; k >= 0; --k)
        pOut->push_back(static_cast<uint8_t>(n >> (8 * k)));
    pOut->insert(pOut->end(), value.begin(), value.end());
}

Bytes Number(uint32_t n)
{
    return {static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 8),
            static_cast<uint8_t>(n)};
}

Bytes WithClass(uint32_t nClass, const Bytes& wrapped)
{
    Bytes out = {static_cast<uint8_t>(nClass), static_cast<uint8_t>(nClass >> 8), static_cast<uint8_t>(nClass >> 16),
                 static_cast<uint8_t>(nClass >> 24)};
    out.insert(out.end(), wrapped.begin(), wrapped.end());
    return out;
}

std::string ToBinary(plist_t plist)
{
    char* p = nullptr;
    uint32_t n = 0;
    plist_to_bin(plist, &p, &n);
    std::string out(p, n);
    plist_to_bin_free(p);
    plist_free(plist);
    return out;
}

// Files.file: an archived MBFile with its size and its wrapped key.
std::string FileProperties(const Bytes& wrappedKey, uint64_t nSize)
{
    plist_t root = plist_new_dict();
    plist_dict_set_item(root, "$version", plist_new_uint(100000));
    plist_dict_set_item(root, "$archiver", plist_new_string("NSKeyedArchiver"));
    plist_t top = plist_new_dict();
    plist_dict_set_item(top, "root", plist_new_uid(1));
    plist_dict_set_item(root, "$top", top);
    plist_t objects = plist_new_array();
    plist_array_append_item(objects, plist_new_string("$null"));
    plist_t file = plist_new_dict();
    plist_dict_set_item(file, "$class", plist_new_uid(3));
    plist_dict_set_item(file, "EncryptionKey", plist_new_uid(2));
    plist_dict_set_item(file, "ProtectionClass", plist_new_uint(kFileClass));
    plist_dict_set_item(file, "Size", plist_new_uint(nSize));
    plist_array_append_item(objects, file);
    plist_t key = plist_new_dict();
    plist_dict_set_item(key, "$class", plist_new_uid(4));
    plist_dict_set_item(key, "NS.data",
                        plist_new_data(reinterpret_cast<const char*>(wrappedKey.data()), wrappedKey.size()));
    plist_array_append_item(objects, key);
    plist_t fileClass = plist_new_dict();
    plist_dict_set_item(fileClass, "$classname", plist_new_string("MBFile"));
    plist_array_append_item(objects, fileClass);
    plist_t dataClass = plist_new_dict();
    plist_dict_set_item(dataClass, "$classname", plist_new_string("NSMutableData"));
    plist_array_append_item(objects, dataClass);
    plist_dict_set_item(root, "$objects", objects);
    return ToBinary(root);
}

} // namespace

void MakeEncryptedBackupFolder(const std::string& strFolder, const std::map<std::string, std::string>& files,
                               const std::string& strPassword, const std::string& strInfoPlist)
{
    Bytes dpsl = Random(20);
    Bytes salt = Random(20);
    const int nDpic = 1000;
    const int nIter = 10;
    Bytes password(strPassword.begin(), strPassword.end());
    Bytes passwordKey = Pbkdf2(EVP_sha1(), Pbkdf2(EVP_sha256(), password, dpsl, nDpic), salt, nIter);
    std::map<uint32_t, Bytes> classKeys = {{1, Random(32)}, {kFileClass, Random(32)}, {kManifestClass, Random(32)}};

    Bytes keybag;
    Tag(&keybag, "VERS", Number(3));
    Tag(&keybag, "TYPE", Number(1));
    Tag(&keybag, "UUID", Random(16));
    Tag(&keybag, "HMCK", Random(40));
    Tag(&keybag, "WRAP", Number(0));
    Tag(&keybag, "SALT", salt);
    Tag(&keybag, "ITER", Number(nIter));
    Tag(&keybag, "DPWT", Number(1));
    Tag(&keybag, "DPIC", Number(nDpic));
    Tag(&keybag, "DPSL", dpsl);
    for (const auto& [nClass, key] : classKeys) {
        Tag(&keybag, "UUID", Random(16));
        Tag(&keybag, "CLAS", Number(nClass));
        Tag(&keybag, "WRAP", Number(3));
        Tag(&keybag, "KTYP", Number(0));
        Tag(&keybag, "WPKY", Wrap(passwordKey, key));
    }

    std::filesystem::create_directories(strFolder);
    std::string strSql = "CREATE TABLE Files (fileID TEXT PRIMARY KEY, domain TEXT, relativePath TEXT, flags INTEGER, "
                         "file BLOB); CREATE TABLE Properties (key TEXT PRIMARY KEY, value BLOB);";
    for (const auto& [strRelative, strSource] : files) {
        std::string strId = BackupFileId("HomeDomain", strRelative);
        std::string strPlain = ReadFile(strSource);
        Bytes fileKey = Random(32);
        strSql +=
            "INSERT INTO Files VALUES ('" + strId + "', 'HomeDomain', '" + strRelative + "', 1, " +
            BlobLiteral(FileProperties(WithClass(kFileClass, Wrap(classKeys[kFileClass], fileKey)), strPlain.size())) +
            ");";
        std::filesystem::create_directories(strFolder + "/" + strId.substr(0, 2));
        WriteFile(strFolder + "/" + strId.substr(0, 2) + "/" + strId, Encrypt(fileKey, strPlain));
    }
    std::string strManifestPlain = strFolder + "/Manifest.plain";
    MakeDatabase(strManifestPlain, strSql);
    Bytes manifestKey = Random(32);
    WriteFile(strFolder + "/Manifest.db", Encrypt(manifestKey, ReadFile(strManifestPlain)));
    std::filesystem::remove(strManifestPlain);

    plist_t manifest = plist_new_dict();
    plist_dict_set_item(manifest, "IsEncrypted", plist_new_bool(1));
    plist_dict_set_item(manifest, "BackupKeyBag",
                        plist_new_data(reinterpret_cast<const char*>(keybag.data()), keybag.size()));
    Bytes wrappedManifestKey = WithClass(kManifestClass, Wrap(classKeys[kManifestClass], manifestKey));
    plist_dict_set_item(
        manifest, "ManifestKey",
        plist_new_data(reinterpret_cast<const char*>(wrappedManifestKey.data()), wrappedManifestKey.size()));
    WriteFile(strFolder + "/Manifest.plist", ToBinary(manifest));
    WriteFile(strFolder + "/Info.plist", strInfoPlist);
}
