#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Texts read from the device store, each distinct one kept once, as UTF-8
// and as wide text. A store names the same callers over and over, so a
// million records need a few megabytes of text, and a text is decoded once.
// Looking a text up is one probe of an open-addressed table in the common
// case. A pool whose texts are only handed on as UTF-8 keeps no wide form.
class CTextPool
{
public:
    static constexpr uint32_t kNone = UINT32_MAX;

    explicit CTextPool(bool bWide = true)
        : m_bWide(bWide)
    {}

    void Clear();
    // The text's number in the pool; kNone for a missing text.
    uint32_t Add(const std::optional<std::string_view>& strUtf8);
    // Null for kNone; only for a pool that keeps the wide form.
    const wchar_t* Wide(uint32_t nText) const
    {
        return nText == kNone ? nullptr : m_chars.data() + m_texts[nText].nChars;
    }
    std::optional<std::string_view> Utf8(uint32_t nText) const
    {
        if (nText == kNone)
            return std::nullopt;
        return std::string_view(m_keys).substr(m_texts[nText].nKey, m_texts[nText].cbKey);
    }

private:
    struct Text {
        size_t nKey;
        size_t cbKey;
        size_t nChars;
    };
    // Eight bytes: a pool of a hundred thousand texts probes a table of 2 MB
    // rather than three times that, which a pass over a million records
    // mostly finds in the processor's cache. The hash's low half places the
    // slot and tells most other texts apart without reading their bytes.
    struct Slot {
        uint32_t nHash = 0;
        uint32_t nText = kNone;
    };

    void Place(const Slot& slot);
    void Grow();

    bool m_bWide;
    std::vector<Text> m_texts;
    std::vector<wchar_t> m_chars;
    std::string m_keys;
    std::vector<Slot> m_slots;
};
