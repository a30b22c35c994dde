// Feeds bytes to the reader of a message's archived attributed string, and
// checks what it promises: text only when the bytes hold it whole, and then
// valid UTF-8 that the bytes contain.

#include "import/ios/AttributedText.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cbData)
{
    std::span<const uint8_t> bytes(pData, cbData);
    std::optional<std::string> text = TextFromAttributedBody(bytes);
    if (!text)
        return 0;
    std::string_view all(reinterpret_cast<const char*>(pData), cbData);
    if (!IsUtf8(*text) || all.find(*text) == std::string_view::npos) {
        std::fprintf(stderr, "attributed text fuzzer: text that is no UTF-8 or not in the bytes\n");
        std::abort();
    }
    return 0;
}
