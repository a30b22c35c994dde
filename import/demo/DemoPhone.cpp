#include "import/demo/DemoPhone.h"

#include "device/StoreWriter.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <optional>
#include <random>
#include <set>
#include <unordered_map>
#include <vector>

namespace {

constexpr int64_t kTicksPerMinute = 60 * kTicksPerSecond;
constexpr int64_t kTicksPerHour = 60 * kTicksPerMinute;
constexpr int64_t kTicksPerDay = 24 * kTicksPerHour;
constexpr int64_t kDays = 365;

// Only the engine is used from <random>: its output is fixed by the standard,
// while the standard distributions differ between libraries. Everything
// below is integer arithmetic on its output.
class CRandom
{
public:
    explicit CRandom(uint64_t nSeed)
        : m_engine(nSeed)
    {}
    uint64_t Next() { return m_engine(); }
    // 0 .. n-1; the bias of the remainder is far below anything visible.
    uint64_t Below(uint64_t n) { return n ? m_engine() % n : 0; }
    int64_t Between(int64_t nLow, int64_t nHigh)
    {
        return nLow + static_cast<int64_t>(Below(static_cast<uint64_t>(nHigh - nLow + 1)));
    }
    bool Percent(unsigned n) { return Below(100) < n; }
    // An index drawn by the cumulative weights.
    size_t Pick(const std::vector<uint64_t>& cumulative)
    {
        uint64_t nAt = Below(cumulative.back());
        return static_cast<size_t>(std::upper_bound(cumulative.begin(), cumulative.end(), nAt) - cumulative.begin());
    }

private:
    std::mt19937_64 m_engine;
};

std::vector<uint64_t> Cumulative(const unsigned* pWeights, size_t nCount)
{
    std::vector<uint64_t> cumulative(nCount);
    uint64_t nSum = 0;
    for (size_t i = 0; i < nCount; ++i)
        cumulative[i] = nSum += pWeights[i];
    return cumulative;
}

enum class Circle : uint8_t { Family, Friend, Work, Service };
constexpr size_t kCircles = 4;

constexpr size_t Index(Circle circle)
{
    return static_cast<size_t>(circle);
}

struct Rhythm {
    unsigned hours[24];    // weight of each hour of the day
    unsigned days[7];      // percent chance of keeping a drawn day, Sunday first
    unsigned durations[5]; // weights of the duration bands below
    unsigned nMissed;      // percent of calls missed
    unsigned nTexting;     // weight of texting relative to calling
};

const Rhythm kRhythms[kCircles] = {
    // family: evenings and Sundays, long talks
    {{1, 0, 0, 0, 0, 0, 1, 3, 6, 8, 9, 10, 12, 10, 8, 8, 10, 14, 20, 24, 22, 16, 8, 3},
     {100, 70, 65, 65, 70, 80, 85},
     {15, 30, 33, 17, 5},
     8,
     3},
    // friends: evenings and weekends, many messages
    {{2, 1, 0, 0, 0, 0, 0, 1, 3, 4, 5, 7, 12, 10, 8, 8, 10, 14, 20, 24, 24, 20, 14, 6},
     {90, 55, 55, 60, 65, 85, 100},
     {18, 35, 32, 13, 2},
     12,
     6},
    // work: office hours on weekdays, short calls
    {{0, 0, 0, 0, 0, 0, 1, 4, 14, 20, 22, 20, 12, 16, 20, 20, 16, 10, 4, 2, 1, 0, 0, 0},
     {4, 100, 100, 100, 100, 95, 8},
     {20, 45, 30, 5, 0},
     15,
     2},
    // services and strangers: daytime, brief, often unanswered
    {{0, 0, 0, 0, 0, 0, 0, 1, 6, 12, 14, 14, 10, 12, 14, 14, 12, 8, 4, 1, 0, 0, 0, 0},
     {2, 100, 100, 100, 100, 100, 20},
     {35, 50, 15, 0, 0},
     35,
     1},
};

const int64_t kDurationBands[5][2] = {{3, 30}, {30, 120}, {120, 600}, {600, 1800}, {1800, 5400}};

const char* const kFirstNames[] = {
    "Anna",  "Ben",  "Clara", "David", "Emma",    "Felix",  "Greta", "Hannah", "Isaac", "Julia",  "Karl",  "Lena",
    "Marco", "Nina", "Oscar", "Paula", "Quentin", "Rosa",   "Simon", "Tara",   "Ulla",  "Victor", "Wendy", "Xavier",
    "Yara",  "Zoe",  "Alice", "Bruno", "Chloe",   "Daniel", "Elif",  "Frank",  "Gina",  "Hugo",   "Ines",  "Jonas",
    "Kira",  "Leon", "Maya",  "Noah",  "Olga",    "Pablo",  "Rita",  "Sven",   "Tom",   "Uma",    "Vera",  "Will",
};
const char* const kLastNames[] = {
    "Adler", "Berger", "Costa",  "Dahl",  "Eriksen", "Fischer", "Garcia", "Hoffmann", "Ivanova", "Jansen", "Keller",
    "Lang",  "Moreau", "Novak",  "Olsen", "Petrov",  "Quinn",   "Rossi",  "Schmidt",  "Tanaka",  "Urban",  "Vogel",
    "Weber", "Young",  "Zimmer", "Baker", "Carter",  "Duval",   "Ellis",  "Ford",     "Grant",   "Hayes",
};
const char* const kFamilyNames[] = {"Mum", "Dad", "Grandma", "Home"};
const char* const kServiceSenders[] = {"PARCELS", "Pharmacy", "CityBank", "72555", "Dentist", "TAXI"};

const char* const kReceivedTexts[] = {
    "Are you coming tonight?",
    "Call me when you can",
    "Running 10 minutes late, sorry!",
    "Happy birthday!! \xF0\x9F\x8E\x82",
    "Did you see the match?",
    "Can you pick up some milk?",
    "Thanks for yesterday \xF0\x9F\x98\x8A",
    "Meeting moved to 3pm",
    "Where are you?",
    "Ok",
    "Sounds good",
    "Landed safely \xE2\x9C\x88",
    "Dinner on Sunday?",
    "Can we talk later?",
    "Miss you",
    "See you at 8",
    "The keys are under the mat",
    "Don't forget the tickets",
    "Good luck today!",
    "\xF0\x9F\x91\x8D",
};
const char* const kSentTexts[] = {
    "On my way",
    "Yes, see you there",
    "Sorry, in a meeting, will call back",
    "Thanks!",
    "Love you",
    "Just got home",
    "No worries",
    "What time?",
    "Can't make it today, sorry",
    "\xF0\x9F\x98\x82",
    "Sure, I'll bring it",
    "Happy birthday! \xF0\x9F\x8E\x89",
    "Call you in 5",
    "Nearly there",
    "Let's do Friday",
    "Ok \xF0\x9F\x91\x8C",
    "Have a good trip",
    "Got it, thanks",
    "Almost done here",
    "Yes please",
};
const char* const kServiceTexts[] = {
    "Your parcel will arrive today between 10:00 and 14:00.",
    "Your prescription is ready for collection.",
    "Your verification code is 482915.",
    "Reminder: your appointment is tomorrow at 09:30.",
    "Your taxi is waiting outside.",
    "Your card was charged 24.90.",
};
const char* const kGroupTexts[] = {
    "Who's in for Saturday?",         "Photos from the weekend are up!", "Happy new year everyone! \xF0\x9F\x8E\x86",
    "Running late, start without me", "Table booked for 7:30",
};

template <typename T, size_t N> constexpr size_t Count(const T (&)[N])
{
    return N;
}

struct Person {
    std::optional<std::string> strName;
    std::vector<std::string> numbers;
    Circle circle = Circle::Service;
    int64_t nFirstDay = 0;
    int64_t nLastDay = kDays - 1;
};

struct Call {
    int64_t nStart; // local ticks
    uint32_t nOrder;
    uint32_t nPerson;
    uint32_t nNumber;
    int32_t nIom;
    int64_t nSeconds;
};

enum class Folder : uint8_t { Inbox, Sent };
// Message senders and recipients are people by index, or these with an index.
constexpr uint32_t kGroup = 0x80000000u;
constexpr uint32_t kServiceSender = 0xC0000000u;

struct Message {
    int64_t nTime; // local ticks
    uint32_t nOrder;
    uint32_t nWho; // a person, or kGroup | group index
    Folder folder;
    uint16_t nText;
};

class CDemoMaker
{
public:
    CDemoMaker(CDeviceStore& store, const DemoOptions& options)
        : m_store(store)
        , m_db(store.Database())
        , m_options(options)
        , m_random(options.nSeed)
    {}

    int Make(std::string* pError);
    int64_t Calls() const { return static_cast<int64_t>(m_calls.size()); }
    int64_t Messages() const { return static_cast<int64_t>(m_messages.size()); }

private:
    void MakePeople();
    std::string MakeNumber(bool bMobile);
    int64_t PickTime(const Person& person);
    void MakeCalls();
    void MakeMessages();
    int64_t ToUtc(int64_t nLocal);
    int WriteCalls(CStoreWriter& writer);
    int WriteMessages(CStoreWriter& writer);
    int WriteEntryIds();
    int WriteMarker();
    const std::string& KeyOf(uint32_t nPerson) const;

    CDeviceStore& m_store;
    CDatabase& m_db;
    const DemoOptions& m_options;
    CRandom m_random;
    int64_t m_nFirstDayStart = 0;
    std::vector<Person> m_people;
    std::vector<uint64_t> m_callWeights;
    std::vector<uint64_t> m_textWeights;
    std::vector<std::vector<uint32_t>> m_groups;
    std::vector<Call> m_calls;
    std::vector<Message> m_messages;
    std::array<std::vector<uint64_t>, kCircles> m_hourWeights;
    std::array<std::vector<uint64_t>, kCircles> m_durationWeights;
    std::set<std::string> m_numbersUsed;
    std::unordered_map<int64_t, int64_t> m_offsets; // local hour -> UTC offset
    std::array<unsigned char, 8> m_entryPrefix {};
};

std::string CDemoMaker::MakeNumber(bool bMobile)
{
    for (;;) {
        std::string strNumber = bMobile ? "+4915" + std::to_string(m_random.Between(10, 79))
                                        : "+49" + std::to_string(m_random.Between(30, 89));
        strNumber += std::to_string(m_random.Between(1000000, 9999999));
        if (m_numbersUsed.insert(strNumber).second)
            return strNumber;
    }
}

void CDemoMaker::MakePeople()
{
    auto nPeople = static_cast<size_t>(std::clamp<int64_t>(m_options.nCalls / 25, 40, 3000));
    std::set<std::string> names;
    for (size_t nRank = 0; nRank < nPeople; ++nRank) {
        Person person;
        if (nRank < Count(kFamilyNames) && nRank % 2 == 0) {
            person.strName = kFamilyNames[nRank / 2];
            person.circle = Circle::Family;
        } else if (m_random.Percent(nRank < 12 ? 95 : 55)) {
            for (;;) {
                std::string strName = std::string(kFirstNames[m_random.Below(Count(kFirstNames))]) + " " +
                                      kLastNames[m_random.Below(Count(kLastNames))];
                if (names.insert(strName).second || names.size() >= Count(kFirstNames) * Count(kLastNames)) {
                    person.strName = strName;
                    break;
                }
            }
            unsigned nDraw = static_cast<unsigned>(m_random.Below(100));
            person.circle = nDraw < 15   ? Circle::Family
                            : nDraw < 60 ? Circle::Friend
                            : nDraw < 92 ? Circle::Work
                                         : Circle::Service;
        } else {
            person.circle = m_random.Percent(70) ? Circle::Service : Circle::Work;
        }
        person.numbers.push_back(MakeNumber(person.circle != Circle::Service || m_random.Percent(30)));
        if (person.strName && m_random.Percent(12))
            person.numbers.push_back(MakeNumber(false));
        if (nRank >= 10 && m_random.Percent(40)) {
            int64_t nLength = m_random.Between(20, kDays);
            person.nFirstDay = m_random.Between(0, kDays - nLength);
            person.nLastDay = person.nFirstDay + nLength - 1;
        }
        m_people.push_back(std::move(person));
    }
    // A few people call very often and many rarely: weights fall with rank.
    uint64_t nSum = 0;
    for (size_t nRank = 0; nRank < m_people.size(); ++nRank) {
        uint64_t nWeight = 1000000000ULL / (nRank + 1);
        m_callWeights.push_back(nSum += nWeight);
    }
    nSum = 0;
    for (size_t nRank = 0; nRank < m_people.size(); ++nRank) {
        const Person& person = m_people[nRank];
        uint64_t nWeight = 1000000000ULL / (nRank + 1) * kRhythms[Index(person.circle)].nTexting;
        if (!person.strName && person.circle == Circle::Service)
            nWeight = 0;
        m_textWeights.push_back(nSum += nWeight);
    }
    // Groups are drawn from the named people who matter most.
    std::vector<uint32_t> close;
    for (uint32_t i = 0; i < m_people.size() && close.size() < 20; ++i) {
        if (m_people[i].strName && m_people[i].circle != Circle::Service)
            close.push_back(i);
    }
    for (int nGroup = 0; nGroup < 4 && close.size() >= 4; ++nGroup) {
        std::vector<uint32_t> members;
        auto nSize = static_cast<size_t>(m_random.Between(2, 4));
        while (members.size() < nSize) {
            uint32_t nMember = close[m_random.Below(close.size())];
            if (std::find(members.begin(), members.end(), nMember) == members.end())
                members.push_back(nMember);
        }
        m_groups.push_back(std::move(members));
    }
    for (size_t nCircle = 0; nCircle < kCircles; ++nCircle) {
        m_hourWeights[nCircle] = Cumulative(kRhythms[nCircle].hours, 24);
        m_durationWeights[nCircle] = Cumulative(kRhythms[nCircle].durations, 5);
    }
}

int64_t CDemoMaker::PickTime(const Person& person)
{
    const Rhythm& rhythm = kRhythms[Index(person.circle)];
    int64_t nDay = 0;
    for (int nTry = 0; nTry < 12; ++nTry) {
        nDay = m_random.Between(person.nFirstDay, person.nLastDay);
        int64_t nDayStart = m_nFirstDayStart + nDay * kTicksPerDay;
        // 1601-01-01 was a Monday; Sunday is 0.
        auto nWeekday = static_cast<size_t>((nDayStart / kTicksPerDay + 1) % 7);
        if (m_random.Percent(rhythm.days[nWeekday]))
            break;
    }
    auto nHour = static_cast<int64_t>(m_random.Pick(m_hourWeights[Index(person.circle)]));
    int64_t nTime =
        m_nFirstDayStart + nDay * kTicksPerDay + nHour * kTicksPerHour + m_random.Between(0, 3599) * kTicksPerSecond;
    if (nTime > m_options.nNowLocal)
        nTime -= kTicksPerDay;
    return nTime;
}

void CDemoMaker::MakeCalls()
{
    auto nCalls = static_cast<size_t>(m_options.nCalls);
    m_calls.reserve(nCalls);
    for (size_t i = 0; i < nCalls; ++i) {
        Call call {};
        call.nOrder = static_cast<uint32_t>(i);
        bool bStranger = m_random.Percent(6);
        if (bStranger) {
            // Someone who calls once: a delivery, a wrong number, a sales call.
            Person person;
            person.numbers.push_back(MakeNumber(m_random.Percent(50)));
            call.nPerson = static_cast<uint32_t>(m_people.size());
            m_people.push_back(std::move(person));
        } else {
            call.nPerson = static_cast<uint32_t>(m_random.Pick(m_callWeights));
        }
        const Person& person = m_people[call.nPerson];
        const Rhythm& rhythm = kRhythms[Index(person.circle)];
        call.nNumber = person.numbers.size() > 1 && m_random.Percent(25) ? 1 : 0;
        call.nStart = PickTime(person);
        if (m_random.Percent(rhythm.nMissed + (bStranger ? 20 : 0))) {
            call.nIom = 0;
        } else {
            call.nIom = m_random.Percent(bStranger ? 75 : 50) ? 1 : 2;
            bool bUnanswered = call.nIom == 2 && m_random.Percent(10);
            if (!bUnanswered) {
                size_t nBand = m_random.Pick(m_durationWeights[Index(person.circle)]);
                call.nSeconds = m_random.Between(kDurationBands[nBand][0], kDurationBands[nBand][1]);
            }
        }
        m_calls.push_back(call);
    }
    std::sort(m_calls.begin(), m_calls.end(), [](const Call& a, const Call& b) {
        return a.nStart != b.nStart ? a.nStart < b.nStart : a.nOrder < b.nOrder;
    });
}

void CDemoMaker::MakeMessages()
{
    auto nMessages = static_cast<size_t>(m_options.nMessages);
    m_messages.reserve(nMessages);
    uint32_t nOrder = 0;
    auto add = [&](int64_t nTime, uint32_t nWho, Folder folder, size_t nText) {
        if (m_messages.size() < nMessages && nTime <= m_options.nNowLocal)
            m_messages.push_back(Message {nTime, nOrder, nWho, folder, static_cast<uint16_t>(nText)});
        ++nOrder;
    };
    auto nServices = static_cast<uint32_t>(Count(kServiceSenders));
    // Drawn index = number of messages; none is never drawn.
    static const unsigned kBurstWeights[] = {0, 30, 25, 18, 12, 8, 7};
    std::vector<uint64_t> burstSizes = Cumulative(kBurstWeights, Count(kBurstWeights));
    size_t nRounds = 0;
    while (m_messages.size() < nMessages && m_textWeights.back() > 0 && nRounds++ < nMessages * 4) {
        unsigned nKind = static_cast<unsigned>(m_random.Below(100));
        if (nKind < 4) {
            // An automated text from a sender name that never calls.
            uint32_t nService = static_cast<uint32_t>(m_random.Below(nServices));
            Person daytime;
            add(PickTime(daytime), kServiceSender | nService, Folder::Inbox, nService);
            continue;
        }
        if (nKind < 7 && !m_groups.empty()) {
            auto nGroup = static_cast<uint32_t>(m_random.Below(m_groups.size()));
            const Person& first = m_people[m_groups[nGroup].front()];
            int64_t nTime = PickTime(first);
            add(nTime, kGroup | nGroup, Folder::Sent, m_random.Below(Count(kGroupTexts)));
            // Replies come from the members, one by one.
            for (uint32_t nMember : m_groups[nGroup]) {
                if (m_random.Percent(60)) {
                    nTime += m_random.Between(1, 30) * kTicksPerMinute;
                    add(nTime, nMember, Folder::Inbox, m_random.Below(Count(kReceivedTexts)));
                }
            }
            continue;
        }
        // A conversation: a few messages back and forth, minutes apart.
        auto nPerson = static_cast<uint32_t>(m_random.Pick(m_textWeights));
        int64_t nTime = PickTime(m_people[nPerson]);
        size_t nBurst = m_random.Pick(burstSizes);
        Folder folder = m_random.Percent(52) ? Folder::Inbox : Folder::Sent;
        for (size_t i = 0; i < nBurst; ++i) {
            size_t nTexts = folder == Folder::Inbox ? Count(kReceivedTexts) : Count(kSentTexts);
            add(nTime, nPerson, folder, m_random.Below(nTexts));
            nTime += m_random.Between(1, 20) * kTicksPerMinute + m_random.Between(0, 59) * kTicksPerSecond;
            if (m_random.Percent(70))
                folder = folder == Folder::Inbox ? Folder::Sent : Folder::Inbox;
        }
    }
    std::sort(m_messages.begin(), m_messages.end(), [](const Message& a, const Message& b) {
        return a.nTime != b.nTime ? a.nTime < b.nTime : a.nOrder < b.nOrder;
    });
}

int64_t CDemoMaker::ToUtc(int64_t nLocal)
{
    if (!m_options.pfnLocalToUtc)
        return nLocal;
    // The zone's offset changes at most twice a year, on the hour.
    int64_t nHour = nLocal / kTicksPerHour;
    auto found = m_offsets.find(nHour);
    if (found == m_offsets.end())
        found = m_offsets.emplace(nHour, m_options.pfnLocalToUtc(nHour * kTicksPerHour) - nHour * kTicksPerHour).first;
    return nLocal + found->second;
}

const std::string& CDemoMaker::KeyOf(uint32_t nPerson) const
{
    const Person& person = m_people[nPerson];
    return person.strName ? *person.strName : person.numbers.front();
}

int CDemoMaker::WriteCalls(CStoreWriter& writer)
{
    DeviceCall row;
    row.nCidt = 2;
    for (const Call& call : m_calls) {
        const Person& person = m_people[call.nPerson];
        row.nStartTime = ToUtc(call.nStart);
        row.nEndTime = row.nStartTime + call.nSeconds * kTicksPerSecond;
        row.nIom = call.nIom;
        row.nFlags = 4 | (call.nIom == 2 ? 1 : 0) | (call.nSeconds > 0 ? 2 : 0);
        row.strNumber = person.numbers[call.nNumber];
        row.strName = person.strName;
        if (writer.InsertCall(row) != 0)
            return -1;
    }
    return 0;
}

// Marks the store as invented, with how it was made, so that the tools and
// the program can say so and an import of real backups into it is refused.
int CDemoMaker::WriteMarker()
{
    std::string strSql = std::string("CREATE TABLE ") + kDemoMarkerTable +
                         " (seed INTEGER NOT NULL, calls INTEGER NOT NULL, messages INTEGER NOT NULL)";
    if (m_db.Exec(strSql.c_str()) != SQLITE_OK)
        return -1;
    CStatement insert(m_db, (std::string("INSERT INTO ") + kDemoMarkerTable + " VALUES (?1, ?2, ?3)").c_str());
    insert.BindInt(1, static_cast<int64_t>(m_options.nSeed));
    insert.BindInt(2, Calls());
    insert.BindInt(3, Messages());
    return insert.Step() == SQLITE_DONE ? 0 : -1;
}

int CDemoMaker::WriteMessages(CStoreWriter& writer)
{
    int64_t nInbox = m_store.FindFolder("SMS", "inbox"), nSent = m_store.FindFolder("SMS", "sent");
    if (nInbox < 0 || nSent < 0) {
        m_db.SetError(SQLITE_ERROR, "the new store lacks its Inbox or Sent Items folder");
        return -1;
    }
    std::array<unsigned char, 16> entryId {};
    std::copy(m_entryPrefix.begin(), m_entryPrefix.end(), entryId.begin());
    const SqlValue extra[] = {std::span<const unsigned char>(entryId)};
    uint64_t nCounter = 0;
    std::vector<uint32_t> single(1);
    DeviceMessage row;
    for (const Message& msg : m_messages) {
        bool bService = (msg.nWho & kServiceSender) == kServiceSender;
        bool bGroup = !bService && (msg.nWho & kGroup);
        ++nCounter;
        for (int i = 0; i < 8; ++i)
            entryId[8 + static_cast<size_t>(i)] = static_cast<unsigned char>(nCounter >> (56 - 8 * i));
        const char* pszText;
        if (bService)
            pszText = kServiceTexts[msg.nText];
        else if (bGroup)
            pszText = kGroupTexts[msg.nText];
        else
            pszText = msg.folder == Folder::Inbox ? kReceivedTexts[msg.nText] : kSentTexts[msg.nText];

        row.nFolderId = msg.folder == Folder::Inbox ? nInbox : nSent;
        if (bService)
            row.strSenderName = kServiceSenders[msg.nWho & 0xFFFF];
        else if (msg.folder == Folder::Inbox)
            row.strSenderName = KeyOf(msg.nWho);
        else
            row.strSenderName.reset();
        row.nDeliveryTime = ToUtc(msg.nTime);
        row.strBody = pszText;
        row.recipients.clear();
        if (msg.folder == Folder::Sent) {
            single[0] = msg.nWho;
            for (uint32_t nPerson : bGroup ? m_groups[msg.nWho & 0xFFFF] : single)
                row.recipients.push_back({KeyOf(nPerson), m_people[nPerson].numbers.front()});
        }
        if (writer.InsertMessage(row, extra) != 0)
            return -1;
    }
    return 0;
}

int CDemoMaker::WriteEntryIds()
{
    // The store and folder identifiers too come from the seed, so that the
    // same seed gives the same store.
    for (const char* pszTable : {"msgstore", "folder"}) {
        std::vector<int64_t> ids;
        {
            CStatement select(m_db, (std::string("SELECT id FROM ") + pszTable + " ORDER BY id").c_str());
            while (select.Step() == SQLITE_ROW)
                ids.push_back(select.ColumnInt(0));
        }
        CStatement update(m_db, (std::string("UPDATE ") + pszTable + " SET entry_id = ?1 WHERE id = ?2").c_str());
        if (!update.IsValid())
            return -1;
        for (int64_t nId : ids) {
            std::array<unsigned char, 16> entryId {};
            for (size_t i = 0; i < entryId.size(); i += 8) {
                uint64_t nBits = m_random.Next();
                for (size_t j = 0; j < 8; ++j)
                    entryId[i + j] = static_cast<unsigned char>(nBits >> (8 * j));
            }
            update.Reset();
            update.BindBlob(1, entryId.data(), static_cast<int>(entryId.size()));
            update.BindInt(2, nId);
            if (update.Step() != SQLITE_DONE)
                return -1;
        }
    }
    return 0;
}

int CDemoMaker::Make(std::string* pError)
{
    m_nFirstDayStart = (m_options.nNowLocal / kTicksPerDay - (kDays - 1)) * kTicksPerDay;
    uint64_t nPrefix = m_random.Next();
    for (size_t i = 0; i < 8; ++i)
        m_entryPrefix[i] = static_cast<unsigned char>(nPrefix >> (8 * i));
    MakePeople();
    MakeCalls();
    MakeMessages();

    m_db.Exec("PRAGMA cache_size = -65536");
    CTransaction tx(m_db);
    // The messages' identifiers, too, come from the seed.
    const char* const kMessageColumns[] = {"entry_id"};
    CStoreWriter writer;
    if (!tx.IsActive() || writer.Prepare(m_db, OnDuplicate::Fail, {}, kMessageColumns) != 0 || WriteEntryIds() != 0 ||
        WriteCalls(writer) != 0 || WriteMessages(writer) != 0 || WriteMarker() != 0 || tx.Commit() != SQLITE_OK) {
        *pError = "cannot write the demo device: " + m_db.LastError();
        return -1;
    }
    return 0;
}

} // namespace

int CDemoPhone::Fill(CDeviceStore& store, const DemoOptions& options)
{
    m_strError.clear();
    if (options.nCalls < 0 || options.nMessages < 0 || options.nCalls > 100000000 || options.nMessages > 100000000) {
        m_strError = "the numbers of calls and messages must lie between 0 and 100000000";
        return -1;
    }
    m_nCalls = m_nMessages = 0;
    CDemoMaker maker(store, options);
    if (maker.Make(&m_strError) != 0)
        return -1;
    m_nCalls = maker.Calls();
    m_nMessages = maker.Messages();
    return 0;
}
