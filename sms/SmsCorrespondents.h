#pragma once

#include "sms/SmsFigures.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// One person that a message's address names: the key the caller summary
// would know them by (the name, or the number when there is no name, as
// the call log keys its callers) and the number to dial or text, empty
// when the address does not tell it.
struct SmsPerson {
    std::wstring strKey;
    std::wstring strNumber;
};

// The people of one address, in their order. An Inbox sender is one person,
// the whole text, whose number is the text itself when it reads as a phone
// number. A Sent Items address is each recipient's name followed by its
// number in angle brackets, with nothing between recipients (as
// GetRecipientText writes it); a recipient with neither is no one. An
// address that fills all of an entry's room may have lost its end, so a last
// recipient without its closing bracket keeps only a whole name, and a text
// after the last bracket is left out.
void GetSmsPeople(std::wstring_view address, bool bSent, std::vector<SmsPerson>* pPeople);

// True when the text can be dialled: digits with the signs a phone number
// is written with, and at least one digit.
bool IsPhoneNumberText(std::wstring_view text);

// Every key of the people that the gathered addresses name, over all their
// messages whatever the range, for whom isKnown is false at least once,
// ordered by key. The number is that of the key's person with the newest
// message that has one, whether known or not; on a tie the first met, Sent
// Items before the Inbox and addresses in their order.
void GetSmsCorrespondents(const SmsAddresses& addresses, const std::function<bool(const SmsPerson&)>& isKnown,
                          std::vector<SmsPerson>* pCorrespondents);
