#include "import/ImportReport.h"
#include "import/android/ReferenceFilter.h"
#include "tests/import/android/FilteredText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

TEST(ReferenceFilter, RewritesWhatTheParserWouldReject)
{
    struct Case {
        const char* pszIn;
        const char* pszOut;
        int64_t nLone, nControls, nInvalid;
    };
    const Case kCases[] = {
        {"a&#55357;&#56832;b", "a&#128512;b", 0, 0, 0},
        {"&#xD83D;&#xde00;", "&#128512;", 0, 0, 0},
        {"&#55357;x", "&#65533;x", 1, 0, 0},
        {"x&#56832;", "x&#65533;", 1, 0, 0},
        {"&#55357;&#55357;&#56832;", "&#65533;&#128512;", 1, 0, 0},
        {"&#55357; &#56832;", "&#65533; &#65533;", 2, 0, 0},
        {"&#55357;&amp;", "&#65533;&amp;", 1, 0, 0},
        {"&#55357;", "&#65533;", 1, 0, 0},
        {"&#1;&#x1F;&#0;&#X1b;", "", 0, 4, 0},
        {"&#9;&#10;&#13;&#65;&#x7F;&#233;", "&#9;&#10;&#13;&#65;&#x7F;&#233;", 0, 0, 0},
        {"a\x01" "b\x1f" "c\td\r\n", "abc\td\r\n", 0, 2, 0},
        {"&#65535;&#xFFFE;&#x110000;", "&#65533;&#65533;&#65533;", 0, 0, 3},
        // The last character is U+10FFFF; from U+110000 on, a reference is
        // to no character, however it is written.
        {"&#x10FFFF;&#1114111;&#x0010ffff;", "&#x10FFFF;&#1114111;&#x0010ffff;", 0, 0, 0},
        {"&#x10FFFE;&#x10000;&#xFFFD;&#xE000;", "&#x10FFFE;&#x10000;&#xFFFD;&#xE000;", 0, 0, 0},
        {"&#1114112;", "&#65533;", 0, 0, 1},
        {"&#x00110000;", "&#65533;", 0, 0, 1},
        {"&#xFFFFFFFF;", "&#65533;", 0, 0, 1},
        {"&amp;&lt;&#;&#x;&#12a;", "&amp;&lt;&#;&#x;&#12a;", 0, 0, 0},
        // However many digits, leading zeros included, a reference is judged
        // by its value; one too long to go out as written goes out short.
        {"&#99999999999;&#999999999999999999999999;", "&#65533;&#65533;", 0, 0, 2},
        {"&#x0000000000000000000110000;", "&#65533;", 0, 0, 1},
        {"&#0000;&#000000000000000000000;&#x0000000000000000001f;", "", 0, 3, 0},
        {"&#00000000000000000065;&#x000000000000000041;&#0000000065;", "&#65;&#65;&#0000000065;", 0, 0, 0},
        {"&#00000000000055357;&#x00000000000000DE00;", "&#128512;", 0, 0, 0},
        {"&#00000000000000055357;x&#000000000000000056832;", "&#65533;x&#65533;", 2, 0, 0},
        // A malformed one stays malformed, for the parser to report.
        {"&#000000000000000000012a;", "&#00000000000a;", 0, 0, 0},
        {"<a b=\"&#55357;&#56832;\" c='&#2;'/>", "<a b=\"&#128512;\" c=''/>", 0, 1, 0},
        {"<a b='&#55357;'>&#56832;</a>", "<a b='&#65533;'>&#65533;</a>", 2, 0, 0},
        {"<!-- &#55357; &#1; --><![CDATA[&#55357;]]>", "<!-- &#55357; &#1; --><![CDATA[&#55357;]]>", 0, 0, 0},
        {"<?pi &#1; ?>&#1;", "<?pi &#1; ?>", 0, 1, 0},
    };
    for (const Case& c : kCases) {
        FilteredText result = FilterText(c.pszIn);
        EXPECT_EQ(result.strOut, c.pszOut) << c.pszIn;
        EXPECT_EQ(result.nLone, c.nLone) << c.pszIn;
        EXPECT_EQ(result.nControls, c.nControls) << c.pszIn;
        EXPECT_EQ(result.nInvalid, c.nInvalid) << c.pszIn;
    }
}

TEST(ReferenceFilter, DropsTheMediaOfPartsOnly)
{
    struct Case {
        const char* pszIn;
        const char* pszOut;
        int64_t nStripped, nBytes;
    };
    const Case kCases[] = {
        {"<part ct=\"image/png\" data=\"QUJD\"/>", "<part ct=\"image/png\" data=\"\"/>", 1, 4},
        {"<part data = 'QU\"JD' text=\"x\"/>", "<part data = '' text=\"x\"/>", 1, 5},
        {"<part\ndata=\"A&#10;B\nC\"/>", "<part\ndata=\"\n\"/>", 1, 9},
        {"<other data=\"QUJD\"/>", "<other data=\"QUJD\"/>", 0, 0},
        {"<part name=\"data\" x=\"QUJD\"/>", "<part name=\"data\" x=\"QUJD\"/>", 0, 0},
        {"<parts metadata=\"QUJD\"/>", "<parts metadata=\"QUJD\"/>", 0, 0},
        {"<part text=\"a > b\" data=\"QUJD\">data=\"x\"</part>", "<part text=\"a > b\" data=\"\">data=\"x\"</part>", 1, 4},
        {"<!-- <part data=\"QUJD\"/> -->", "<!-- <part data=\"QUJD\"/> -->", 0, 0},
        // Names are told apart by their first bytes and by what ends them.
        {"<part\tdata\r=\r\"QUJD\"/>", "<part\tdata\r=\r\"\"/>", 1, 4},
        {"<part x=\"\"data=\"QUJD\"/>", "<part x=\"\"data=\"\"/>", 1, 4},
        {"<partition data=\"QUJD\"/>", "<partition data=\"QUJD\"/>", 0, 0},
        {"<part database=\"QUJD\"/>", "<part database=\"QUJD\"/>", 0, 0},
        {"<part\xC3\xA9 data=\"QUJD\"/>", "<part\xC3\xA9 data=\"QUJD\"/>", 0, 0},
        {"<part da\x01ta=\"QUJD\"/>", "<part data=\"QUJD\"/>", 0, 0},
    };
    for (const Case& c : kCases) {
        FilteredText result = FilterText(c.pszIn);
        EXPECT_EQ(result.strOut, c.pszOut) << c.pszIn;
        EXPECT_EQ(result.nStripped, c.nStripped) << c.pszIn;
        EXPECT_EQ(result.nStrippedBytes, c.nBytes) << c.pszIn;
    }
}

TEST(ReferenceFilter, ChunkBoundariesChangeNothing)
{
    const std::string strIn =
        "<?xml version='1.0'?>\n<!-- a -- comment -->\n<smses>\n"
        " <sms body=\"x&#55357;&#56832;y&#xD83D;&#56832;&#55357;z&#1;&amp;\xF0\x9F\x98\x80\" type='1'/>\n"
        " <mms><parts><part ct=\"image/jpeg\" data=\"QUJDREVGR0hJSktMTU5PUFFSU1RVVldYWVo=\"/>"
        "<part ct=\"text/plain\" text=\"&#56832;\x02\"/></parts></mms>\n"
        " <![CDATA[ &#55357; ]]><?pi x?>\n"
        " <part\tct='x'\r\ndata = \"QUJD\" metadata-too=\"QUJD\"/><part d\xC3\xA4ta=\"QUJD\"/>\n"
        " <sms body=\"&#0000000000000000000055357;&#x00000000000000de00;&#99999999999999;&#0000000000000000065;"
        "&#00000000000000000;&#0000000000000000001a\"/>\n</smses>\n";
    FilteredText whole = FilterText(strIn);
    EXPECT_EQ(whole.nLone, 2);
    EXPECT_EQ(whole.nStripped, 2);
    EXPECT_EQ(whole.nInvalid, 1);
    EXPECT_NE(whole.strOut.find("\"&#128512;&#65533;&#65;&#00000000000a\""), std::string::npos) << whole.strOut;
    for (size_t nPiece : {1, 2, 3, 5, 7, 11}) {
        FilteredText pieces = FilterText(strIn, nPiece);
        EXPECT_EQ(pieces, whole) << "pieces of " << nPiece;
    }
}

TEST(ReferenceFilter, RecordsOverTheLimitAreDroppedWhole)
{
    const std::string strBig(kMostRecordBytes, 'x');
    // Line 2 a record just under the limit; lines 3 to 5 an SMS over it; line
    // 6 an MMS over it in many text parts; line 7 an MMS whose media alone is
    // over it; line 8 a call and an element that is no record, both over it.
    const std::string strKept = "<sms body='" + strBig.substr(0, kMostRecordBytes - 30) + "'/>";
    std::string strParts;
    for (int i = 0; i < 17; ++i)
        strParts += "<part ct='text/plain' text='" + strBig.substr(0, 1 << 20) + "'/>";
    const std::string strIn =
        "<smses count='9'>\n" + strKept + "\n<sms a='1'\nbody='" + strBig + "&#55357;'>\n</sms>\n"
        "<mms><parts>" + strParts + "</parts><!-- > --></mms>\n"
        "<mms><parts><part ct='image/png' data='" + strBig + strBig + "'/></parts></mms>\n"
        "<call number='" + strBig + "'/><other>" + strBig + "<x/></other><sms body='after'/>\n</smses>\n";
    const std::string strExpected = "<smses count='9'>\n" + strKept + "\n\n\n\n" + "\n" +
                                    "<mms><parts><part ct='image/png' data=''/></parts></mms>\n"
                                    "<sms body='after'/>\n</smses>\n";
    for (size_t nPiece : {size_t(0), size_t(65536), size_t(1 << 20) + 7}) {
        FilteredText result = FilterText(strIn, nPiece);
        EXPECT_TRUE(result.strOut == strExpected) << "pieces of " << nPiece << ": " << result.strOut.size()
                                                  << " bytes, not " << strExpected.size();
        EXPECT_EQ(result.nOversizeSms, 1) << nPiece;
        EXPECT_EQ(result.nOversizeMms, 1) << nPiece;
        EXPECT_EQ(result.nOversizeCalls, 1) << nPiece;
        EXPECT_EQ(result.nOversizeOthers, 1) << nPiece;
        EXPECT_EQ(result.nStrippedBytes, static_cast<int64_t>(2 * kMostRecordBytes)) << nPiece;
    }

    // However large the record, no more than the limit and a piece is held.
    CReferenceFilter held;
    std::string strHeldOut;
    const std::string strStart = "<smses><sms body='";
    held.Feed(strStart.data(), strStart.size(), &strHeldOut);
    const std::string strPiece(1 << 20, 'y');
    size_t nMostHeld = 0;
    for (int i = 0; i < 64; ++i) {
        held.Feed(strPiece.data(), strPiece.size(), &strHeldOut);
        nMostHeld = std::max(nMostHeld, held.HeldBytes());
    }
    EXPECT_LE(nMostHeld, kMostRecordBytes + strPiece.size());
    EXPECT_EQ(held.HeldBytes(), 0u);
    EXPECT_EQ(strHeldOut, "<smses>");

    // Columns after a dropped record are the file's.
    CReferenceFilter filter;
    std::string strOut;
    std::string strLine = "<calls>\n <call x='" + strBig + "'/> <call/>";
    filter.Feed(strLine.data(), strLine.size(), &strOut);
    EXPECT_EQ(strOut, "<calls>\n  <call/>");
    // " ", "<call x='", the value, "'/>", " ", then the second call.
    EXPECT_EQ(filter.InputColumnAt(2, 2), static_cast<int64_t>(1 + 9 + kMostRecordBytes + 3 + 1 + 1));
}

TEST(ReferenceFilter, NoticesADocumentTypeDeclaration)
{
    CReferenceFilter filter;
    std::string strOut;
    std::string strIn = "<?xml version='1.0'?>\n<!-- <!DOCTYPE in a comment> -->\n<!DOCTYPE calls [<!ENTITY x 'y'>]>";
    for (char ch : strIn)
        filter.Feed(&ch, 1, &strOut);
    EXPECT_TRUE(filter.HasDocType());
    EXPECT_EQ(filter.DocTypeLine(), 3);

    CReferenceFilter plain;
    std::string strPlain = "<!-- <!DOCTYPE x> --><calls/>";
    plain.Feed(strPlain.data(), strPlain.size(), &strOut);
    EXPECT_FALSE(plain.HasDocType());
}

TEST(ReferenceFilter, PositionsAreTheFilesOwn)
{
    CReferenceFilter filter;
    std::string strOut;
    // Line 2 of the output: "&#128512;" (9 characters), a character beyond
    // the basic plane, "cd", a dropped control reference, "e"; line 3: "x", a
    // long reference written short, "y".
    const std::string strLong = "&#" + std::string(18, '0') + "65;";
    std::string strIn = "ab\n&#55357;&#56832;\xF0\x9F\x98\x80" "cd&#1;e\nx" + strLong + "y";
    filter.Feed(strIn.data(), strIn.size(), &strOut);
    filter.Finish(&strOut);
    EXPECT_EQ(strOut, "ab\n&#128512;\xF0\x9F\x98\x80" "cde\nx&#65;y");
    EXPECT_EQ(filter.InputLine(), 3);
    EXPECT_EQ(filter.InputColumn(), static_cast<int64_t>(1 + strLong.size() + 1 + 1));
    EXPECT_EQ(filter.InputColumnAt(2, 0), 1);   // the pair
    EXPECT_EQ(filter.InputColumnAt(2, 9), 17);  // the wide character after it
    EXPECT_EQ(filter.InputColumnAt(2, 10), 18); // "c"
    EXPECT_EQ(filter.InputColumnAt(2, 12), 24); // "e", past the dropped reference
    EXPECT_EQ(filter.InputColumnAt(1, 1), 2);
    EXPECT_EQ(filter.InputColumnAt(3, 6), static_cast<int64_t>(1 + strLong.size() + 1)); // "y"
}

} // namespace
