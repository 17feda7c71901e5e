#include "decode/html_parser.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "decode/kanj_conv.h"
#include "reference/html_reference.h"

namespace tavori {
namespace {

using reference::RefHtmlToText;

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
