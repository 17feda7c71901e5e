#include "decode/html_parser.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "decode/kanj_conv.h"

namespace tavori {
namespace {

using namespace std::string_literals;

struct TextCase {
    std::string page;
    std::string text;
    const char* reason;
};

TEST(HtmlToText, FollowsTheScanRules) {
    const TextCase cases[] = {
        {"", "", "empty page"},
        {"<html><p>text</p></html>", "", "no BODY tag: nothing"},
        {"<title>t</title><BODY>x", "x", "text before the body never shows"},
        {"<body>x", "x", "body in lower case"},
        {"<Body bgcolor=\"White\">x", "x", "mixed case with an attribute"},
        {"<bodyx>y<body>x", "x", "bodyx is no BODY tag"},
        {"<body>a<br>b", "a\r\nb", "BR is a new line"},
        {"<body><p>a</p><p>b</p>", "a\r\n\r\nb", "P and /P each a new line, ends trimmed"},
        {"<body><tr><td>x</td><td>y</td></tr>", "x y", "cells end in a space"},
        {"<body>a<td>b<h1>c<div>d", "abcd", "opening tags do nothing"},
        {"<body>line one\r\nline two", "line oneline two", "a line end leaves no space"},
        {"<body>a  \r\n  b", "a b", "a run of blanks gives one space"},
        {"<body>Hello <b>World</b> again", "Hello Worldagain", "blanks after a tag dropped"},
        {"<body><pre>skipped\r\nkept  as\r\n is</pre>", "kept  as\r\n is",
         "PRE drops the rest of its line and keeps the rest"},
        {"<body><pre>x</pre>y", "", "PRE without a line end drops the rest of the text"},
        {"<body><script>\r\nvar a = 1;\r\n</script>text", "text", "script dropped"},
        {"<body><select><option>one</select>", "", "selection list dropped"},
        {"<body><script>a<br>b</script>", "", "tags act inside a script: only a trimmed CR LF"},
        {"<body><select>a</script>b", "b", "no nesting: any closing tag ends the skip"},
        {"<body>&lt;b&gt;", "<b>", "lt and gt"},
        {"<body>&QUOT;", "\"", "names ignore letter case"},
        {"<body>&#65; &copy; &amp", "&#65; &copy; &amp", "unknown and unterminated stay"},
        {"<body>&am\r\np;", "&amp;", "a line end breaks a reference"},
        {"<body>a &amp; b", "a &b", "a reference keeps the space mark"},
        {"<body>a&nbsp;&nbsp;b", "a  b", "nbsp is never merged"},
        {"<body>a<br/>b", "ab", "slash after the name: no BR"},
        {"<body>a<br />b", "a\r\nb", "space before the slash: BR"},
        {"<body>a< br>b<HR noshade>c", "ab\r\nc", "the name ends at the first space"},
        {"<body>a<img alt=\"x>y\">b", "ab", "a quoted > does not end the tag"},
        {"<body>a<b \"open>b", "a", "an unclosed quote runs to the end"},
        {"<body>a<p", "a", "a tag without > ends the scan"},
        {"<body><!-- a > b -->c", "b -->c", "a comment ends at its first >"},
        {"<body>a\0<br>b"s, "a", "the page ends at its first NUL"},
        {"<body>\x1B$BF|K\\\x1B(B", "日本", "ISO-2022-JP converted first"},
        {"<pre>x\r<body>y", "y", "a lone CR in PRE does not swallow the next tag"},
        {"<body>  \r\n x&nbsp;\r\n ", "x", "blanks around the result trimmed"},
    };
    for (const auto& c : cases) EXPECT_EQ(HtmlToText(c.page), c.text) << c.reason;
}

TEST(THTMLParser, TokensFollowThePreformattedFlag) {
    THTMLParser parser("  hi <Body a=\"B\"><pre>a\r\nb\rc<x>\n</pre> \r\n");
    struct Expected {
        THTMLParser::TokenKind kind;
        std::string text;
    };
    const Expected tokens[] = {
        {THTMLParser::kText, "hi "}, {THTMLParser::kTag, "BODY A=\"B\""},
        {THTMLParser::kTag, "PRE"},  {THTMLParser::kText, "a\r\n"},
        {THTMLParser::kText, "b\r"}, {THTMLParser::kText, "c"},
        {THTMLParser::kTag, "X"},    {THTMLParser::kLineBreak, ""},
        {THTMLParser::kTag, "/PRE"}, {THTMLParser::kEnd, ""},
    };
    for (const auto& t : tokens) {
        EXPECT_EQ(parser.Kind(), t.kind) << t.text;
        EXPECT_EQ(parser.TokenText(), t.text);
        parser.NextToken();
    }
}

// ---- Reference: the scan rules one byte at a time, as the oracle for the fast scan. ----

std::string RefTag(std::string& t, std::size_t& i) {
    std::string tag;
    bool quoted = false;
    std::size_t j = i + 1;
    for (; j < t.size(); ++j) {
        char c = t[j];
        if (c == '"') quoted = !quoted;
        if (c == '>' && !quoted) break;
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
        if (!quoted && c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
        tag += t[j] = c;
    }
    i = j < t.size() ? j + 1 : t.size();
    return tag;
}

int RefAction(const std::string& tag) {
    std::string name = tag.substr(0, tag.find(' '));
    for (char& c : name)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    const std::vector<std::pair<std::vector<std::string>, int>> table = {
        {{"BR", "HR", "P", "/P", "/H1", "/H2", "/H3", "/H4", "/H5", "/H6", "/TR", "/TABLE"}, 3},
        {{"/TD", "/TH"}, 4},
        {{"PRE"}, 1},
        {{"/PRE"}, 2},
        {{"SCRIPT", "SELECT"}, 5},
        {{"/SCRIPT", "/SELECT"}, 6}};
    for (const auto& [names, action] : table)
        for (const auto& n : names)
            if (n == name) return action;
    return 0;
}

bool RefEntity(const std::string& t, std::size_t& i, char& out) {
    std::size_t j = i + 1;
    while (j < t.size() && t[j] != ';' && t[j] != '\n' && t[j] != '\r') ++j;
    if (j >= t.size() || t[j] != ';') return false;
    std::string name = t.substr(i + 1, j - i);
    for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    const std::pair<const char*, char> entities[] = {
        {"amp;", '&'}, {"lt;", '<'}, {"gt;", '>'}, {"quot;", '"'}, {"nbsp;", ' '}};
    for (const auto& [n, r] : entities) {
        if (name == n) {
            out = r;
            i = j;
            return true;
        }
    }
    return false;
}

std::string RefHtmlToText(const std::string& page) {
    std::string t = page;
    kanj::ConvertToSjis(t);
    t = t.substr(0, t.find('\0'));
    std::size_t i = 0;
    for (;;) {  // every "<" outside a tag starts a tag token
        i = t.find('<', i);
        if (i == std::string::npos) return "";
        std::string tag = RefTag(t, i);
        if (tag == "BODY" || tag.rfind("BODY ", 0) == 0) break;
    }
    std::string out;
    bool skip = false, pre = false;
    while (i < t.size()) {
        if (!pre)
            while (i < t.size() && static_cast<unsigned char>(t[i]) <= 0x20) ++i;
        if (i >= t.size()) break;
        if (t[i] == '<') {
            switch (RefAction(RefTag(t, i))) {
                case 1:
                    i = t.find('\n', i);
                    i = i == std::string::npos ? t.size() : i + 1;
                    pre = true;
                    break;
                case 2:
                    pre = false;
                    break;
                case 3:
                    out += "\r\n";
                    break;
                case 4:
                    out += " ";
                    break;
                case 5:
                    skip = true;
                    break;
                case 6:
                    skip = false;
                    break;
            }
            continue;
        }
        bool mark = false;
        for (; i < t.size() && t[i] != '<'; ++i) {
            char c = t[i], r;
            if (skip) continue;
            if (c == '&' && RefEntity(t, i, r)) {
                out += r;
            } else if (pre) {
                out += c;
            } else if (c == ' ' && !mark) {
                out += ' ';
                mark = true;
            } else if (static_cast<unsigned char>(c) > 0x20) {
                out += c;
                mark = false;
            }
        }
    }
    std::size_t b = 0, e = out.size();
    while (b < e && static_cast<unsigned char>(out[b]) <= 0x20) ++b;
    while (e > b && static_cast<unsigned char>(out[e - 1]) <= 0x20) --e;
    return out.substr(b, e - b);
}

TEST(HtmlToText, MatchesTheByteByByteReferenceOnRandomPages) {
    const std::vector<std::string> pieces = {
        "<body>",   "<BODY bgcolor=\"x\">",
        "<bodyx>",  "<br>",
        "<BR/>",    "<br />",
        "<p>",      "</p>",
        "<td>",     "</td>",
        "</TR>",    "<pre>",
        "</PRE>",   "<pre x>",
        "<script>", "</script>",
        "<select>", "</select>",
        "<b>",      "<a href=\"A>b\">",
        "<\"",      "\"",
        ">",        "<",
        "&amp;",    "&AMP;",
        "&nbsp;",   "&lt;",
        "&quot;",   "&copy;",
        "&#65;",    "&",
        ";",        "&amp",
        " ",        "  ",
        "\r\n",     "\r",
        "\n",       "\t",
        "x",        "word",
        "日本",     "\xB1",
        "\0"s,      "<!-- c > d -->",
        "<P",       "\x1B$B",
        "\x1B(B",   "F|",
        "\xA4\xA2", "\xB5\xFE",
    };
    std::mt19937 random(7);
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1), length(0, 40);
    for (int n = 0; n < 5000; ++n) {
        std::string page;
        for (std::size_t k = length(random); k > 0; --k) page += pieces[pick(random)];
        ASSERT_EQ(HtmlToText(page), RefHtmlToText(page)) << "page " << n << ": " << page;
    }
}

TEST(HtmlToText, PathologicalPagesTakeLinearTime) {
    // Quadratic work on any of these would run into the test's time limit.
    const std::size_t n = 1 << 19;
    auto repeat = [](const std::string& s, std::size_t times) {
        std::string out;
        out.reserve(s.size() * times);
        for (std::size_t i = 0; i < times; ++i) out += s;
        return out;
    };
    EXPECT_EQ(HtmlToText("<body>" + repeat("&", n)).size(), n) << "ampersands on one line";
    EXPECT_EQ(HtmlToText("<body>" + repeat("&nbsp", n)).size(), 5 * n) << "references without ;";
    EXPECT_EQ(HtmlToText("<body>x" + repeat("<a \"", n)), "x") << "unclosed quotes";
    EXPECT_EQ(HtmlToText("<body>x" + repeat("<", n)), "x") << "unclosed tags";
    EXPECT_EQ(HtmlToText(repeat("<a \"", n) + "><body>x"), "x") << "quotes before the body";
    EXPECT_EQ(HtmlToText(repeat("x<pre>\r", n)), "") << "head of lone CRs in PRE";
    EXPECT_EQ(HtmlToText("<body>" + repeat("<pre>\n<script></pre>", n)), "") << "state flips";
}

}  // namespace
}  // namespace tavori
