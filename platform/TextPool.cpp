#include "platform/TextPool.h"

#include "platform/WideText.h"

#include <functional>

namespace {

constexpr size_t kFirstSlots = 1024;

} // namespace

void CTextPool::Clear()
{
    // The memory goes with the texts: a pool read again after a change of
    // the store grows anew to what it then holds.
    std::vector<Text>().swap(m_texts);
    std::vector<wchar_t>().swap(m_chars);
    std::string().swap(m_keys);
    std::vector<Slot>(kFirstSlots).swap(m_slots);
}

uint32_t CTextPool::Add(const std::optional<std::string_view>& strUtf8)
{
    if (!strUtf8)
        return kNone;
    if (m_slots.empty())
        m_slots.assign(kFirstSlots, Slot {});
    auto nHash = static_cast<uint32_t>(std::hash<std::string_view> {}(*strUtf8));
    size_t nMask = m_slots.size() - 1;
    for (size_t i = nHash & nMask;; i = (i + 1) & nMask) {
        const Slot& slot = m_slots[i];
        if (slot.nText == kNone)
            break;
        if (slot.nHash != nHash)
            continue;
        const Text& text = m_texts[slot.nText];
        if (text.cbKey == strUtf8->size() && std::string_view(m_keys).substr(text.nKey, text.cbKey) == *strUtf8)
            return slot.nText;
    }
    Slot slot {nHash, static_cast<uint32_t>(m_texts.size())};
    m_texts.push_back({m_keys.size(), strUtf8->size(), m_chars.size()});
    m_keys.append(*strUtf8);
    if (m_bWide) {
        std::wstring strWide = WideFromUtf8(*strUtf8);
        m_chars.insert(m_chars.end(), strWide.c_str(), strWide.c_str() + strWide.size() + 1);
    }
    if (m_texts.size() * 2 > m_slots.size())
        Grow();
    Place(slot);
    return slot.nText;
}

void CTextPool::Place(const Slot& slot)
{
    size_t nMask = m_slots.size() - 1;
    size_t i = slot.nHash & nMask;
    while (m_slots[i].nText != kNone)
        i = (i + 1) & nMask;
    m_slots[i] = slot;
}

void CTextPool::Grow()
{
    std::vector<Slot> old(m_slots.size() * 2);
    old.swap(m_slots);
    for (const Slot& slot : old)
        if (slot.nText != kNone)
            Place(slot);
}
