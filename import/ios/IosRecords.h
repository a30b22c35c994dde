#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The rows of an iPhone's databases as the readers hand them on, before they
// become rows of the device store. Absent values are nullopt.

// A row of ZCALLRECORD in CallHistory.storedata.
struct IosCallRow {
    std::optional<double> dDate;            // ZDATE: seconds since 2001-01-01 UTC
    double dDuration = 0;                   // ZDURATION: seconds
    bool bOriginated = false;               // ZORIGINATED
    bool bAnswered = false;                 // ZANSWERED
    std::optional<std::string> strAddress;  // ZADDRESS, as text
    std::optional<std::string> strName;     // ZNAME
    std::optional<int64_t> nCallType;       // ZCALLTYPE
    std::optional<std::string> strProvider; // ZSERVICE_PROVIDER
    std::optional<std::string> strUniqueId; // ZUNIQUE_ID
};

// The date of a message as the database holds it: an integer or a real.
struct IosMessageDate {
    std::optional<int64_t> nValue;
    std::optional<double> dValue;
};

// A row of message in sms.db with its sender's handle and its chat.
struct IosMessageRow {
    std::optional<std::string> strGuid;
    std::optional<std::string> strText;
    std::optional<std::string> strBodyText; // read from attributedBody, when text is empty
    bool bBodyUnreadable = false;           // attributedBody held no readable text
    std::optional<std::string> strService;
    IosMessageDate date;
    bool bFromMe = false;
    bool bSent = false;
    int64_t nError = 0;
    int64_t nItemType = 0;
    int64_t nAssociatedType = 0;
    std::optional<std::string> strHandle; // handle.id of handle_id
    std::vector<std::string> chatMembers; // handle.id of each member of its chat
    bool bMembersCut = false;             // the chat had more members than are listed
};
