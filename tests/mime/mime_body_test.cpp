#include "mime/mime_body.h"

#include <gtest/gtest.h>

namespace tavori::mime {
namespace {

struct BodyCase {
    const char* header;
    std::string body;
    const char* text;
    const char* reason;
};

#define MIXED "Content-Type: multipart/mixed; boundary=\"b1\""
#define ALTERNATIVE "Content-Type: multipart/alternative; boundary=b2"

TEST(MimeBody, ReadsTheTextAPersonReads) {
    const BodyCase cases[] = {
        {"Subject: x", "line 1\r\nline 2", "line 1\r\nline 2", "no MIME: as it is"},
        {"Subject: x", "\x1B$B$\"\x1B(B\r\n", "あ\r\n", "no MIME, raw ISO-2022-JP: detected"},
        {"Content-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: base64",
         "44GC\r\n44GE\r\n", "あい", "base64 UTF-8"},
        {"Content-Type: text/plain;\r\n charset=\"iso-8859-1\"\r\n"
         "Content-Transfer-Encoding: Quoted-Printable",
         "a=A3=\r\nb\nc", "a￡b\r\nc", "quoted-printable, a folded parameter, bare LF"},
        {"Content-Type: text/html; charset=utf-8", "<html><body><p>a<br>b</p></body></html>",
         "a\r\nb", "HTML reduced to text"},
        {ALTERNATIVE,
         "pre\r\n--b2\r\nContent-Type: text/plain\r\n\r\nplain\r\n--b2\r\n"
         "Content-Type: text/html\r\n\r\n<b>html</b>\r\n--b2--\r\nepilogue",
         "plain", "the plain alternative, no preamble or epilogue"},
        {ALTERNATIVE, "--b2\r\nContent-Type: text/html\r\n\r\n<b>html</b>\r\n--b2--", "html",
         "HTML alone, without a BODY tag"},
        {MIXED,
         "--b1\r\n\r\ntext\r\n--b1\r\nContent-Type: image/png\r\n"
         "Content-Disposition: attachment; filename*=utf-8''%E3%81%82.png\r\n"
         "Content-Transfer-Encoding: base64\r\n\r\nYWJj\r\n--b1\r\n"
         "Content-Type: application/octet-stream\r\n\r\n12345\r\n--b1--",
         "text\r\n\r\n[添付] あ.png (image/png, 3 バイト)\r\n"
         "[添付] (名前なし) (application/octet-stream, 5 バイト)",
         "a part without a header is text; the others named"},
        {MIXED,
         "--b1\r\nContent-Type: text/plain\r\nContent-Disposition: attachment; filename=a.txt\r\n"
         "\r\nnot the body\r\n--b1\r\nContent-Type: text/plain\r\n\r\nbody\r\n--b1--",
         "body\r\n\r\n[添付] a.txt (text/plain, 12 バイト)", "a text attachment is no body"},
        {MIXED,
         "--b1\r\nContent-Type: text/plain\r\n\r\nmain\r\n--b1\r\n"
         "Content-Type: message/rfc822\r\n\r\nFrom: a@b\r\nSubject: =?utf-8?b?44GC?=\r\n\r\n"
         "inner\r\n--b1--",
         "main\r\n\r\n-------- 添付メール --------\r\nFrom: a@b\r\nSubject: あ\r\n\r\ninner",
         "an attached mail's text after the main text"},
        {"Content-Type: multipart/related; boundary=r; start=\"<2>\"",
         "--r\r\nContent-ID: <1>\r\nContent-Type: text/plain\r\n\r\nnot start\r\n--r\r\n"
         "Content-ID: <2>\r\nContent-Type: text/html\r\n\r\n<body>start</body>\r\n--r--",
         "start\r\n\r\n[添付] (名前なし) (text/plain, 9 バイト)", "related: its start part"},
        {"Content-Type: multipart/mixed", "no boundary", "no boundary",
         "a multipart without a boundary is its text"},
        {MIXED, "--b1\r\nContent-Type: text/plain\r\n\r\nopen end", "open end",
         "no closing delimiter"},
        {"Content-Type: image/gif", "GIF89a", "[添付] (名前なし) (image/gif, 6 バイト)",
         "no text at all"},
    };
    for (const auto& c : cases) {
        const SjisText out = DecodeBodyText(c.header, c.body);
        EXPECT_EQ(out.text, c.text) << c.reason;
    }
}

TEST(MimeBody, NestingBeyondAnyMailIsNamedNotOpened) {
    std::string body;
    for (int i = 0; i < 200; ++i)
        body += "--b\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n";
    const SjisText out = DecodeBodyText("Content-Type: multipart/mixed; boundary=b", body);
    EXPECT_NE(out.text.find("[添付]"), std::string::npos);
}

}  // namespace
}  // namespace tavori::mime
