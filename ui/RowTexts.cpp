#include "ui/RowTexts.h"

#include "platform/WideText.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

// Large enough that a block's bookkeeping costs nothing per row, small
// enough that a short list takes little.
constexpr size_t kBlockSize = size_t {1} << 18;

} // namespace

CRowTexts::Ref CRowTexts::Add(std::string_view strText)
{
    if (strText.empty())
        return {};
    // A row's text is a few cells; one longer than 4 GB is cut there.
    strText = strText.substr(0, std::numeric_limits<uint32_t>::max());
    if (m_blocks.empty() || m_blocks.back().cbSize - m_blocks.back().cbFilled < strText.size()) {
        // The rest of a full block stays unused: a text never spans two.
        if (!m_blocks.empty())
            m_cbUnused += m_blocks.back().cbSize - m_blocks.back().cbFilled;
        size_t cbSize = std::max(kBlockSize, strText.size());
        m_blocks.push_back(Block {std::make_unique_for_overwrite<char[]>(cbSize), cbSize, 0});
    }
    Block& block = m_blocks.back();
    Ref ref {static_cast<uint32_t>(m_blocks.size() - 1), static_cast<uint32_t>(block.cbFilled),
             static_cast<uint32_t>(strText.size())};
    std::memcpy(block.pBytes.get() + block.cbFilled, strText.data(), strText.size());
    block.cbFilled += strText.size();
    m_cbUsed += strText.size();
    return ref;
}

CRowTexts::Ref CRowTexts::Replace(const Ref& old, std::string_view strText)
{
    if (IsLast(old)) {
        Block& block = m_blocks[old.nBlock];
        if (old.nOffset + strText.size() <= block.cbSize) {
            std::memmove(block.pBytes.get() + old.nOffset, strText.data(), strText.size());
            block.cbFilled = old.nOffset + strText.size();
            m_cbUsed = m_cbUsed - old.cb + strText.size();
            return strText.empty() ? Ref {} : Ref {old.nBlock, old.nOffset, static_cast<uint32_t>(strText.size())};
        }
    }
    // The new text may be a view of the old one's bytes, which stay where
    // they are until the next Clear.
    Ref ref = Add(strText);
    m_cbUsed -= old.cb;
    m_cbUnused += old.cb;
    return ref;
}

void CRowTexts::Clear()
{
    std::vector<Block>().swap(m_blocks);
    m_cbUsed = 0;
    m_cbUnused = 0;
}

void AppendUtf8(QStringView strText, std::string* pOut)
{
    const char16_t* p = strText.utf16();
    const char16_t* pEnd = p + strText.size();
    while (p < pEnd) {
        char32_t ch = *p++;
        if (ch < 0x80) {
            pOut->push_back(static_cast<char>(ch));
            continue;
        }
        // A pair of surrogates is one code point; an unpaired one is left
        // for the encoder to replace.
        if (ch >= 0xD800 && ch <= 0xDBFF && p < pEnd && *p >= 0xDC00 && *p <= 0xDFFF)
            ch = 0x10000 + ((ch - 0xD800) << 10) + (*p++ - 0xDC00);
        AppendUtf8CodePoint(ch, pOut);
    }
}
