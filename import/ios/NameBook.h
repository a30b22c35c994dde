#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

// The names of the address book by the numbers and addresses they have, to
// name a call or message that lacks a name. Numbers are matched however they
// are written ("+49 170 1234567", "01701234567", "(0170) 123-4567"): each is
// brought to its international form in the region of the phone's own number;
// where that fails, its last nine digits stand for it. E-mail addresses match
// without regard to case.
class CNameBook
{
public:
    // The region (ISO 3166 code such as "DE") in which numbers without a
    // country code are read; empty: such numbers match by their digits only.
    void SetRegion(std::string strRegion) { m_strRegion = std::move(strRegion); }
    const std::string& Region() const { return m_strRegion; }

    // The first name given for a number or address stays.
    void Add(std::string_view strAddress, const std::string& strName);
    std::optional<std::string> Find(std::string_view strAddress) const;
    size_t Size() const { return m_names.size(); }

    // The key under which an address is kept; empty when it has none.
    std::string Key(std::string_view strAddress) const;

private:
    std::string m_strRegion;
    std::unordered_map<std::string, std::string> m_names;
};

// Whether two addresses name the same party: one of the '~'-joined
// addresses of each has the same key in the book's region.
bool SameParty(std::string_view strA, std::string_view strB, const CNameBook& book);

// The region of a phone number written with its country code ("+49 ..."),
// or empty.
std::string RegionOfNumber(std::string_view strNumber);
