#include "import/ios/AttributedText.h"

#include <algorithm>
#include <string_view>

namespace {

constexpr std::string_view kHeader = "streamtyped";
// The string object's type code follows its class within these many bytes.
constexpr size_t kMostBytesToText = 16;

std::optional<size_t> Find(std::string_view haystack, std::string_view needle, size_t nFrom)
{
    size_t n = haystack.find(needle, nFrom);
    return n == std::string_view::npos ? std::nullopt : std::optional<size_t>(n);
}

} // namespace

bool IsUtf8(std::string_view text)
{
    size_t i = 0;
    while (i < text.size()) {
        auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t nMore;
        uint32_t cp;
        if (c >= 0xc2 && c <= 0xdf) {
            nMore = 1;
            cp = c & 0x1f;
        } else if (c >= 0xe0 && c <= 0xef) {
            nMore = 2;
            cp = c & 0x0f;
        } else if (c >= 0xf0 && c <= 0xf4) {
            nMore = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (text.size() - i <= nMore)
            return false;
        for (size_t k = 1; k <= nMore; ++k) {
            auto cc = static_cast<unsigned char>(text[i + k]);
            if ((cc & 0xc0) != 0x80)
                return false;
            cp = (cp << 6) | (cc & 0x3f);
        }
        if ((nMore == 2 && (cp < 0x800 || (cp >= 0xd800 && cp <= 0xdfff))) ||
            (nMore == 3 && (cp < 0x10000 || cp > 0x10ffff)))
            return false;
        i += nMore + 1;
    }
    return true;
}

std::optional<std::string> TextFromAttributedBody(std::span<const uint8_t> bytes)
{
    std::string_view data(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    // The stream starts with its version byte and its signature as a counted
    // string.
    if (data.size() < 2 + kHeader.size() || data.substr(2, kHeader.size()) != kHeader)
        return std::nullopt;
    size_t nFrom = 2 + kHeader.size();
    std::optional<size_t> plain = Find(data, "NSString", nFrom);
    std::optional<size_t> mutableOne = Find(data, "NSMutableString", nFrom);
    size_t nClassEnd;
    if (plain && (!mutableOne || *plain < *mutableOne))
        nClassEnd = *plain + std::string_view("NSString").size();
    else if (mutableOne)
        nClassEnd = *mutableOne + std::string_view("NSMutableString").size();
    else
        return std::nullopt;
    std::string_view window = data.substr(nClassEnd, kMostBytesToText);
    size_t nPlus = window.find('+');
    if (nPlus == std::string_view::npos)
        return std::nullopt;
    size_t nAt = nClassEnd + nPlus + 1;
    if (nAt >= data.size())
        return std::nullopt;
    auto lead = static_cast<unsigned char>(data[nAt++]);
    uint64_t nLength = 0;
    size_t nLengthBytes = 0;
    if (lead < 0x80)
        nLength = lead;
    else if (lead == 0x81)
        nLengthBytes = 2;
    else if (lead == 0x82)
        nLengthBytes = 4;
    else
        return std::nullopt;
    if (data.size() - nAt < nLengthBytes)
        return std::nullopt;
    for (size_t k = 0; k < nLengthBytes; ++k)
        nLength |= uint64_t(static_cast<unsigned char>(data[nAt + k])) << (8 * k);
    nAt += nLengthBytes;
    if (nLength > data.size() - nAt)
        return std::nullopt;
    std::string_view text = data.substr(nAt, static_cast<size_t>(nLength));
    if (!IsUtf8(text))
        return std::nullopt;
    return std::string(text);
}
