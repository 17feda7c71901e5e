#pragma once
// An HTML page as plain Shift-JIS text: a single forward scan from the first BODY tag that
// knows 20 tag names and 5 named references, drops scripts and selection lists, keeps
// preformatted text and never fails.
#include <cstddef>
#include <string>
#include <string_view>

namespace tavori {

// One page: construct with its text, call ExtractText once.
class THTMLParser {
  public:
    enum TokenKind : unsigned char { kEnd = 0, kText = 1, kLineBreak = 2, kTag = 3 };
    enum Action : int {
        kNone = 0,
        kPreformattedOn = 1,
        kPreformattedOff = 2,
        kNewLine = 3,
        kSpace = 4,
        kSkipOn = 5,
        kSkipOff = 6,
    };

    // How the page's text is given: in any of the Japanese encodings, detected and converted,
    // or already in Shift-JIS (a mail part its charset has converted).
    enum class PageText { kDetect, kShiftJis };
    // Takes the page (moved in, or copied), converts it to Shift-JIS and reads the first token.
    explicit THTMLParser(std::string page, PageText given = PageText::kDetect);

    // Reads the token at the current position.
    void NextToken();
    TokenKind Kind() const { return kind_; }
    const std::string& TokenText() const { return token_text_; }
    // The current token is the tag name (letter case ignored) or name, a space and more.
    bool IsTag(std::string_view name) const;

    // The page's plain text from the first BODY tag on, trimmed. Consumes the parser's text.
    std::string ExtractText();

    // The action of a tag text (name and attributes between "<" and ">").
    static Action TagAction(std::string_view tag);
    // A named reference beginning at text[position]: on success, its character and position
    // moved to the closing ";".
    static bool DecodeEntity(std::string_view text, std::size_t& position, char& replacement);

  private:
    // Normalises the tag at position (a "<") in place and moves position past its ">";
    // returns its text.
    std::string_view ReadTag(std::size_t& position);

    std::string text_;  // ends at its first NUL byte
    std::size_t position_ = 0;
    TokenKind kind_ = kEnd;
    std::string token_text_;
    bool preformatted_ = false;
};

// The plain text of a page (any byte string; converted to Shift-JIS first). A page moved in
// is worked on in its own buffer, which then holds the text: no copy of megabytes.
std::string HtmlToText(std::string page);
// The plain text of a page that is Shift-JIS already.
std::string SjisHtmlToText(std::string page);

}  // namespace tavori
