#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The records of the backup files as the files give them: the attributes
// that the import reads, each as written (numbers parsed, texts as UTF-8).
// A number attribute that is absent or no number reads as 0.

// <call> of the calls file.
struct CallRecord {
    std::optional<int64_t> nDate; // Unix milliseconds; nullopt when absent or no number
    int64_t nDuration = 0;        // seconds
    int64_t nType = 0;
    int64_t nPresentation = 0;
    std::string strNumber;
    std::string strContactName;
    std::string strReadableDate; // the date as the phone showed it
};

// <sms> of the messages file.
struct SmsRecord {
    std::optional<int64_t> nDate; // Unix milliseconds
    int64_t nType = 0;
    std::string strAddress; // one address, or several joined by '~'
    std::string strContactName;
    std::optional<std::string> strBody;
    std::string strSubject;
    std::string strReadableDate;
};

// <addr> of an MMS.
struct MmsAddress {
    int nType = 0; // 137 from, 151 to, 130 cc, 129 bcc
    std::string strAddress;
};

// <mms> of the messages file, with its parts and addresses.
struct MmsRecord {
    std::optional<int64_t> nDate; // Unix seconds below 10^11, else milliseconds
    int64_t nBox = 0;
    int64_t nMessageType = 0; // m_type
    std::string strId;        // m_id
    std::string strSubject;
    std::string strAddress;             // the record's own address attribute
    std::string strContactName;         // names for the addresses of strAddress
    std::optional<std::string> strText; // the text parts, one line each
    std::vector<MmsAddress> addresses;
};
