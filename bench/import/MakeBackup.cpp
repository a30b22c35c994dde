// Writes a calls backup and a messages backup (SMS, and MMS with base64
// media) of about the given size, for the import benchmark. Deterministic.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

class CWriter
{
public:
    explicit CWriter(const std::string& strPath)
        : m_pFile(std::fopen(strPath.c_str(), "wb"))
    {
        if (!m_pFile) {
            std::perror(strPath.c_str());
            std::exit(1);
        }
    }
    ~CWriter() { std::fclose(m_pFile); }
    void Write(const std::string& str)
    {
        std::fwrite(str.data(), 1, str.size(), m_pFile);
        m_nBytes += str.size();
    }
    uint64_t Bytes() const { return m_nBytes; }

private:
    FILE* m_pFile;
    uint64_t m_nBytes = 0;
};

uint64_t g_nState = 0x9E3779B97F4A7C15ULL;

uint64_t Next()
{
    g_nState ^= g_nState << 13;
    g_nState ^= g_nState >> 7;
    g_nState ^= g_nState << 17;
    return g_nState;
}

std::string Number(uint64_t nPerson)
{
    return "+49151" + std::to_string(1000000 + nPerson % 400 * 7919 % 9000000);
}

std::string Name(uint64_t nPerson)
{
    static const char* const kNames[] = {"Anna Adler", "Ben Berger", "Clara Costa", "David Dahl", "(Unknown)",
                                         "Emma Eriksen", "null", "Felix Fischer"};
    return nPerson % 3 == 0 ? "(Unknown)" : kNames[nPerson % 8];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "Usage: ringtally-make-backup DIR [MEGABYTES]\n"
                             "Writes DIR/calls.xml (a tenth) and DIR/messages.xml (the rest, mostly MMS media).\n");
        return 2;
    }
    std::string strDir = argv[1];
    uint64_t nTotal = (argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 300) * 1000000ULL;
    int64_t nDate = 1500000000000LL;

    {
        CWriter calls(strDir + "/calls.xml");
        calls.Write("<?xml version='1.0' encoding='UTF-8' standalone='yes' ?>\n<calls count=\"0\" type=\"full\">\n");
        while (calls.Bytes() < nTotal / 10) {
            uint64_t nPerson = Next() % 400;
            nDate += static_cast<int64_t>(Next() % 3600000);
            calls.Write("  <call number=\"" + Number(nPerson) + "\" duration=\"" + std::to_string(Next() % 900) +
                        "\" date=\"" + std::to_string(nDate) + "\" type=\"" + std::to_string(1 + Next() % 7) +
                        "\" presentation=\"1\" subscription_id=\"1\" post_dial_digits=\"\" "
                        "subscription_component_name=\"phone/TelephonyConnectionService\" "
                        "readable_date=\"1 Jan 2020 10:00:00\" contact_name=\"" + Name(nPerson) + "\" />\n");
        }
        calls.Write("</calls>\n");
    }

    CWriter messages(strDir + "/messages.xml");
    messages.Write("<?xml version='1.0' encoding='UTF-8' standalone='yes' ?>\n<smses count=\"0\" type=\"full\">\n");
    std::string strMedia;
    static const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int i = 0; i < 2 * 1000 * 1000; ++i)
        strMedia += kBase64[Next() % 64];
    nDate = 1500000000000LL;
    uint64_t nRecord = 0;
    while (messages.Bytes() < nTotal - nTotal / 10) {
        uint64_t nPerson = Next() % 400;
        nDate += static_cast<int64_t>(Next() % 600000);
        if (++nRecord % 40 != 0) {
            messages.Write("  <sms protocol=\"0\" address=\"" + Number(nPerson) + "\" date=\"" + std::to_string(nDate) +
                           "\" type=\"" + std::to_string(1 + Next() % 2) + "\" subject=\"null\" body=\"Message " +
                           std::to_string(nRecord) + " with an emoji &#55357;&#56832; and a line&#10;break\" "
                           "toa=\"null\" sc_toa=\"null\" service_center=\"null\" read=\"1\" status=\"-1\" "
                           "locked=\"0\" date_sent=\"0\" sub_id=\"1\" readable_date=\"1 Jan 2020 10:00:00\" "
                           "contact_name=\"" + Name(nPerson) + "\" />\n");
            continue;
        }
        size_t nMedia = 10000 + Next() % 140000;
        size_t nAt = Next() % (strMedia.size() - nMedia);
        messages.Write("  <mms date=\"" + std::to_string(nDate) + "\" msg_box=\"" + std::to_string(1 + Next() % 2) +
                       "\" m_id=\"m" + std::to_string(nRecord) + "\" sub=\"null\" address=\"" + Number(nPerson) +
                       "\" contact_name=\"" + Name(nPerson) + "\" read=\"1\" text_only=\"0\">\n    <parts>\n"
                       "      <part seq=\"0\" ct=\"text/plain\" name=\"null\" chset=\"106\" text=\"Picture " +
                       std::to_string(nRecord) + "\" />\n      <part seq=\"1\" ct=\"image/jpeg\" name=\"p.jpg\" data=\"");
        messages.Write(strMedia.substr(nAt, nMedia));
        messages.Write("\" />\n    </parts>\n    <addrs>\n      <addr address=\"" + Number(nPerson) +
                       "\" type=\"137\" charset=\"106\" />\n      <addr address=\"+4930999000\" type=\"151\" "
                       "charset=\"106\" />\n    </addrs>\n  </mms>\n");
    }
    messages.Write("</smses>\n");
    return 0;
}
