#include "import/ios/PropertyList.h"

#include <plist/plist.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

plist_t Item(void* pRoot, const char* pszKey, plist_type type)
{
    if (!pRoot)
        return nullptr;
    plist_t item = plist_dict_get_item(static_cast<plist_t>(pRoot), pszKey);
    return item && plist_get_node_type(item) == type ? item : nullptr;
}

} // namespace

CPropertyList::~CPropertyList()
{
    if (m_pRoot)
        plist_free(static_cast<plist_t>(m_pRoot));
}

int CPropertyList::Parse(const std::string& strBytes)
{
    if (m_pRoot)
        plist_free(static_cast<plist_t>(m_pRoot));
    m_pRoot = nullptr;
    if (strBytes.empty() || strBytes.size() > UINT32_MAX)
        return -1;
    plist_t root = nullptr;
    plist_from_memory(strBytes.data(), static_cast<uint32_t>(strBytes.size()), &root);
    if (!root)
        return -1;
    if (plist_get_node_type(root) != PLIST_DICT) {
        plist_free(root);
        return -1;
    }
    m_pRoot = root;
    return 0;
}

std::optional<std::string> CPropertyList::String(const char* pszKey) const
{
    plist_t item = Item(m_pRoot, pszKey, PLIST_STRING);
    if (!item)
        return std::nullopt;
    char* psz = nullptr;
    plist_get_string_val(item, &psz);
    if (!psz)
        return std::nullopt;
    std::string str(psz);
    std::free(psz);
    return str;
}

std::optional<bool> CPropertyList::Bool(const char* pszKey) const
{
    plist_t item = Item(m_pRoot, pszKey, PLIST_BOOLEAN);
    if (!item)
        return std::nullopt;
    uint8_t b = 0;
    plist_get_bool_val(item, &b);
    return b != 0;
}

std::optional<std::vector<uint8_t>> CPropertyList::Data(const char* pszKey) const
{
    plist_t item = Item(m_pRoot, pszKey, PLIST_DATA);
    if (!item)
        return std::nullopt;
    char* p = nullptr;
    uint64_t cb = 0;
    plist_get_data_val(item, &p, &cb);
    std::vector<uint8_t> bytes(reinterpret_cast<uint8_t*>(p), reinterpret_cast<uint8_t*>(p) + (p ? cb : 0));
    std::free(p);
    return bytes;
}

std::optional<int64_t> CPropertyList::Date(const char* pszKey) const
{
    plist_t item = Item(m_pRoot, pszKey, PLIST_DATE);
    if (!item)
        return std::nullopt;
    int32_t nSec = 0;
    int32_t nUsec = 0;
    plist_get_date_val(item, &nSec, &nUsec);
    return nSec;
}

std::optional<std::string> ReadSmallFile(const std::string& strPath, size_t nMostBytes, std::string* pstrError)
{
    int fd = ::open(strPath.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        *pstrError = std::strerror(errno);
        return std::nullopt;
    }
    struct stat st {};
    std::string bytes;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        *pstrError = "is not a regular file";
        return std::nullopt;
    }
    if (static_cast<uint64_t>(st.st_size) > nMostBytes) {
        ::close(fd);
        *pstrError = "is larger than " + std::to_string(nMostBytes >> 20) + " MiB";
        return std::nullopt;
    }
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            *pstrError = std::strerror(errno);
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        bytes.append(buf, static_cast<size_t>(n));
        if (bytes.size() > nMostBytes) {
            ::close(fd);
            *pstrError = "is larger than " + std::to_string(nMostBytes >> 20) + " MiB";
            return std::nullopt;
        }
    }
    ::close(fd);
    return bytes;
}
