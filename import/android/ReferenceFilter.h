#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Rewrites the bytes of a backup file on their way to the XML parser, chunk
// by chunk, holding back only the few bytes of an unfinished reference or
// markup opening (numeric references are judged by their value, however many
// digits they have):
// - a numeric reference to a UTF-16 surrogate pair (&#55357;&#56832;) becomes
//   one reference to the character; a lone half becomes U+FFFD;
// - references to control characters, and raw control bytes, are dropped
//   (tab, line feed and carriage return stay);
// - references to U+FFFE, U+FFFF or beyond U+10FFFF become U+FFFD;
// - the value of the data attribute of a <part> (an MMS part's media) is
//   dropped, so the parser never holds media in memory.
// Lines are kept as they are, so the parser's line numbers are the file's;
// InputColumnAt maps the parser's columns back to the file's.
class CReferenceFilter
{
public:
    CReferenceFilter();

    // Appends the filtered form of the bytes to *pOut.
    void Feed(const char* pData, size_t cbData, std::string* pOut);
    // Ends the input: whatever is held back goes out as it stands.
    void Finish(std::string* pOut);

    int64_t LoneHalves() const { return m_nLoneHalves; }
    int64_t DroppedControls() const { return m_nDroppedControls; }
    int64_t InvalidReferences() const { return m_nInvalidReferences; }
    int64_t StrippedValues() const { return m_nStrippedValues; }
    int64_t StrippedBytes() const { return m_nStrippedBytes; }
    // A document type declaration was seen, on this line.
    bool HasDocType() const { return m_nDocTypeLine > 0; }
    int64_t DocTypeLine() const { return m_nDocTypeLine; }

    // The position just after the input given so far: line from 1, column in
    // characters from 1.
    int64_t InputLine() const { return m_nLine; }
    int64_t InputColumn() const { return m_nInChars + 1; }
    // The file's column (characters, from 1) of the character at a position
    // of the output as the XML parser gives it (line from 1, characters
    // before it on that line). Exact for the lines of the last chunk fed.
    int64_t InputColumnAt(int64_t nLine, int64_t nOutColumn) const;

private:
    enum class State { Text, Markup, Tag, Value, Data, Comment, CData, Pi, Decl, Ref };

    void FeedText(const unsigned char* p, size_t n, size_t* pnAt, std::string* pOut);
    void FeedMarkup(unsigned char c, std::string* pOut, bool* pbConsumed);
    void FeedTag(unsigned char c, std::string* pOut);
    void FeedData(const unsigned char* p, size_t n, size_t* pnAt, std::string* pOut);
    void FeedRef(unsigned char c, std::string* pOut, bool* pbConsumed);
    void FeedUntil(unsigned char c, std::string* pOut);
    void EndReference(std::string* pOut);
    void EmitHeld(std::string* pOut);
    void EmitHeldReference(std::string* pOut);
    void ResetReference();
    void EmitReplacement(const std::string& strText, int64_t nInChars, std::string* pOut);
    void FlushPendingHigh(std::string* pOut);
    void CopyByte(unsigned char c, std::string* pOut);
    void NewLine(std::string* pOut);
    void Checkpoint();

    struct Mark {
        int64_t nLine;
        int64_t nOutChars;
        int64_t nInChars;
    };

    State m_state = State::Text;
    State m_refReturn = State::Text; // where a reference goes back to
    unsigned char m_chQuote = 0;     // the open attribute value's quote
    std::string m_strHeld;           // an unfinished reference or markup opening
    std::string m_strElement;        // the open tag's name (its first bytes)
    std::string m_strAttribute;      // the last attribute name of the open tag
    bool m_bInElementName = false;
    bool m_bInAttributeName = false;
    int m_nRun = 0;                  // dashes, brackets or '?' seen before a closing '>'
    uint64_t m_nRefValue = 0;        // the open reference's value so far, at most U+110000
    int64_t m_nRefDropped = 0;       // its digits beyond the held ones
    bool m_bRefDigits = false;       // it has a digit

    bool m_bPendingHigh = false;     // a high surrogate waiting for its low half
    uint32_t m_nPendingHigh = 0;
    int64_t m_nPendingChars = 0;

    int64_t m_nLine = 1;
    int64_t m_nInChars = 0;  // characters of the input's current line
    int64_t m_nOutChars = 0; // characters of the output's current line
    std::vector<Mark> m_marks;

    int64_t m_nLoneHalves = 0;
    int64_t m_nDroppedControls = 0;
    int64_t m_nInvalidReferences = 0;
    int64_t m_nStrippedValues = 0;
    int64_t m_nStrippedBytes = 0;
    int64_t m_nDocTypeLine = 0;
};
