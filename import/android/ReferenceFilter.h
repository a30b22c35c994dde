#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Rewrites the bytes of a backup file on their way to the XML parser, chunk
// by chunk, holding back only the few bytes of an unfinished reference or
// markup opening, and each record until it ends (numeric references are
// judged by their value, however many digits they have):
// - a numeric reference to a UTF-16 surrogate pair (&#55357;&#56832;) becomes
//   one reference to the character; a lone half becomes U+FFFD;
// - references to control characters, and raw control bytes, are dropped
//   (tab, line feed and carriage return stay);
// - references to U+FFFE, U+FFFF or beyond U+10FFFF become U+FFFD;
// - the value of the data attribute of a <part> (an MMS part's media) is
//   dropped, so the parser never holds media in memory;
// - a record (an element in the root element) that comes to more than
//   kMostRecordBytes without its media is dropped whole, and counted.
// Lines are kept as they are, so the parser's line numbers are the file's;
// InputColumnAt maps the parser's columns back to the file's.
class CReferenceFilter
{
public:
    // The records left out for their size, by their element.
    struct Oversize {
        int64_t nCalls = 0;
        int64_t nSms = 0;
        int64_t nMms = 0;
        int64_t nOthers = 0;
        int64_t Total() const { return nCalls + nSms + nMms + nOthers; }
    };

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
    const Oversize& OversizeRecords() const { return m_oversize; }
    // What is held back now: the open record, and an unfinished reference or
    // markup opening.
    size_t HeldBytes() const { return m_strRecord.size() + m_strHeld.size(); }

    // The position just after the input given so far: line from 1, column in
    // characters from 1.
    int64_t InputLine() const { return m_nLine; }
    int64_t InputColumn() const { return m_nInChars + 1; }
    // The file's column (characters, from 1) of the character at a position
    // of the output as the XML parser gives it (line from 1, characters
    // before it on that line). Exact for the lines of the last chunk fed and
    // of the record held back.
    int64_t InputColumnAt(int64_t nLine, int64_t nOutColumn) const;

private:
    enum class State { Text, Markup, Tag, Value, Data, Comment, CData, Pi, Decl, Ref };

    void FeedText(const unsigned char* p, size_t n, size_t* pnAt);
    void FeedMarkup(unsigned char c, bool* pbConsumed);
    void FeedTag(unsigned char c);
    void FeedTagRun(const unsigned char* p, size_t n, size_t* pnAt);
    void FeedData(const unsigned char* p, size_t n, size_t* pnAt);
    void FeedRef(unsigned char c, bool* pbConsumed);
    void FeedUntil(unsigned char c);
    void EndReference();
    void EmitHeld();
    void EmitHeldReference();
    void ResetReference();
    void EmitReplacement(const std::string& strText, int64_t nInChars);
    void FlushPendingHigh();
    void CopyByte(unsigned char c);
    void NewLine();
    // Where the bytes go from now on: pOut, or the record held back.
    void SetOutput(std::string* pOut);
    void StartRecord();
    void EndRecord();
    void DropRecord();
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
    bool m_bSlashLast = false;       // the open tag's last byte was '/'
    int m_nRun = 0;                  // dashes, brackets or '?' seen before a closing '>'
    uint64_t m_nRefValue = 0;        // the open reference's value so far, at most U+110000
    int64_t m_nRefDropped = 0;       // its digits beyond the held ones
    bool m_bRefDigits = false;       // it has a digit

    bool m_bPendingHigh = false;     // a high surrogate waiting for its low half
    uint32_t m_nPendingHigh = 0;
    int64_t m_nPendingChars = 0;

    std::string* m_pFedOut = nullptr; // the output of the running Feed or Finish
    std::string* m_pOut = nullptr;    // where the bytes go: there, the record or nowhere
    int m_nDepth = 0;                 // elements open
    bool m_bInRecord = false;
    bool m_bDropping = false;         // the record is too large and goes nowhere
    std::string m_strRecord;          // the record so far
    std::string m_strDiscard;         // a dropped record's bytes, cleared as they come
    int64_t m_nRecordLine = 0;        // where the record starts
    int64_t m_nRecordOutChars = 0;
    int64_t* m_pDroppedCount = nullptr; // where the dropped record counts

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
    Oversize m_oversize;
};
