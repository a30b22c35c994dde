#include "sms/SmsCorrespondents.h"

#include "platform/PlatformTime.h"

#include <map>

namespace {

void AddPerson(std::wstring_view name, std::wstring_view number, std::vector<SmsPerson>* pPeople)
{
    std::wstring_view key = name.empty() ? number : name;
    if (!key.empty())
        pPeople->push_back(SmsPerson {std::wstring(key), std::wstring(number)});
}

} // namespace

bool IsPhoneNumberText(std::wstring_view text)
{
    bool bDigit = false;
    for (wchar_t ch : text) {
        if (ch >= L'0' && ch <= L'9')
            bDigit = true;
        else if (std::wstring_view(L"+*#()-. ").find(ch) == std::wstring_view::npos)
            return false;
    }
    return bDigit;
}

void GetSmsPeople(std::wstring_view address, bool bSent, std::vector<SmsPerson>* pPeople)
{
    pPeople->clear();
    if (!bSent) {
        AddPerson(address, IsPhoneNumberText(address) ? address : std::wstring_view(), pPeople);
        return;
    }
    bool bCut = address.size() >= kMaxSmsAddress;
    size_t nAt = 0;
    while (nAt < address.size()) {
        size_t nOpen = address.find(L'<', nAt);
        size_t nClose = nOpen == std::wstring_view::npos ? nOpen : address.find(L'>', nOpen);
        if (nClose == std::wstring_view::npos) {
            // A name without a number, unless the end was cut off; before a
            // cut number the name is whole.
            std::wstring_view rest = address.substr(nAt);
            if (!bCut)
                AddPerson(rest, IsPhoneNumberText(rest) ? rest : std::wstring_view(), pPeople);
            else if (nOpen != std::wstring_view::npos)
                AddPerson(address.substr(nAt, nOpen - nAt), {}, pPeople);
            return;
        }
        AddPerson(address.substr(nAt, nOpen - nAt), address.substr(nOpen + 1, nClose - nOpen - 1), pPeople);
        nAt = nClose + 1;
    }
}

void GetSmsCorrespondents(const SmsAddresses& addresses, const std::function<bool(const SmsPerson&)>& isKnown,
                          std::vector<SmsPerson>* pCorrespondents)
{
    struct Found {
        bool bUnknown = false;
        std::wstring strNumber;
        FILETIME ftNumber {};
        bool bNumber = false;
    };
    std::map<std::wstring, Found> found;
    std::vector<SmsPerson> people;
    for (bool bSent : {true, false}) {
        for (const SmsAddressFigures& address : bSent ? addresses.sent : addresses.inbox) {
            GetSmsPeople(address.strAddress, bSent, &people);
            for (SmsPerson& person : people) {
                Found& entry = found[person.strKey];
                if (!isKnown(person))
                    entry.bUnknown = true;
                if (!person.strNumber.empty() &&
                    (!entry.bNumber || CompareFileTime(&address.ftNewest, &entry.ftNumber) == 1)) {
                    entry.strNumber = std::move(person.strNumber);
                    entry.ftNumber = address.ftNewest;
                    entry.bNumber = true;
                }
            }
        }
    }
    pCorrespondents->clear();
    for (auto& [strKey, entry] : found) {
        if (entry.bUnknown)
            pCorrespondents->push_back(SmsPerson {strKey, std::move(entry.strNumber)});
    }
}
