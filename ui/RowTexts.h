#pragma once

// The texts of a list's rows, each row's cells as UTF-8 in one run of bytes,
// kept in blocks of a fixed size. A list of a million calls holds some 45
// bytes of text per row this way, against some 120 as a string of its own
// per row, and filling it allocates nothing per row. The blocks never move,
// so the store grows without copying what it holds.

#include <QStringView>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CRowTexts
{
public:
    // Where a row's text is: its block, its offset there and its length.
    struct Ref {
        uint32_t nBlock = 0;
        uint32_t nOffset = 0;
        uint32_t cb = 0;
    };

    std::string_view View(const Ref& ref) const
    {
        if (ref.cb == 0)
            return {};
        return {m_blocks[ref.nBlock].pBytes.get() + ref.nOffset, ref.cb};
    }

    // Stores a copy of the text.
    Ref Add(std::string_view strText);
    // The row's text becomes strText: rewritten where it is when it is the
    // last text stored and the new one fits there (which is how a list is
    // filled: a row added, then its cells one by one), else stored anew and
    // the old bytes left unused.
    Ref Replace(const Ref& old, std::string_view strText);
    void Clear();

    // Bytes that hold texts no row refers to any longer.
    size_t Unused() const { return m_cbUnused; }
    size_t Used() const { return m_cbUsed; }

private:
    struct Block {
        std::unique_ptr<char[]> pBytes;
        size_t cbSize = 0;
        size_t cbFilled = 0;
    };

    bool IsLast(const Ref& ref) const
    {
        return ref.cb > 0 && ref.nBlock + 1 == m_blocks.size() && ref.nOffset + ref.cb == m_blocks[ref.nBlock].cbFilled;
    }

    std::vector<Block> m_blocks;
    size_t m_cbUsed = 0;
    size_t m_cbUnused = 0;
};

// Appends the UTF-8 form of strText; an unpaired surrogate becomes U+FFFD.
void AppendUtf8(QStringView strText, std::string* pOut);
