#include "jobs/ren_record.h"

#include <cstdio>

#include "mailstore/mail_date.h"
#include "mailstore/mailbox.h"

namespace tavori {
namespace {

std::string_view TrimControls(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= 0x20) ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= 0x20) --e;
    return s.substr(b, e - b);
}

// What is left of a list of addresses or ids after its first element: the text behind the
// first ">", or nothing when it has none.
std::string_view AfterFirstClose(std::string_view rest) {
    const std::size_t close = rest.find('>');
    return close == std::string_view::npos ? std::string_view() : rest.substr(close + 1);
}

void AddLine(std::string& record, std::string_view text) {
    record += "\r\n";
    record += text;
}

void AddKeyword(std::string& record, std::string_view value, std::string_view label) {
    record += "\r\n#K";
    record += value;
    record += label;
}

// One keyword line per element of an address list, left to right.
void AddAddressList(std::string& record, std::string_view list, std::string_view label) {
    for (std::string_view rest = list; !rest.empty(); rest = AfterFirstClose(rest))
        AddKeyword(record, ExtractBracketed(rest, '<', '>', false), label);
}

}  // namespace

std::string ExtractBracketed(std::string_view text, char open, char close, bool strict) {
    const std::size_t o = text.find(open);
    if (o != std::string_view::npos) {
        const std::string_view after = text.substr(o + 1);
        const std::size_t c = after.find(close);
        if (c != std::string_view::npos) return std::string(after.substr(0, c));
    }
    return strict ? std::string() : std::string(text);
}

std::string FormatRecordDate(double value, const RecordOptions& options) {
    const DateTimeParts p = DecodeDateTime(value);
    char y[8], m[4], d[4];
    std::snprintf(y, sizeof y, "%04d", p.year);
    std::snprintf(m, sizeof m, "%02d", p.month);
    std::snprintf(d, sizeof d, "%02d", p.day);
    return std::string(y) + options.dateSeparator + m + options.dateSeparator + d;
}

std::string FormatRecordDateTime(double value, const RecordOptions& options) {
    const DateTimeParts p = DecodeDateTime(value);
    char h[4], n[4], s[4];
    std::snprintf(h, sizeof h, "%02d", p.hour);
    std::snprintf(n, sizeof n, "%02d", p.minute);
    std::snprintf(s, sizeof s, "%02d", p.second);
    return FormatRecordDate(value, options) + " " + h + options.timeSeparator + n +
           options.timeSeparator + s;
}

std::string BuildRecord(const TMailBox& mailbox, const RecordOptions& options) {
    std::string record;
    record.reserve(mailbox.Body().size() + 1024);
    record += "#S\r\n#W";
    record += std::to_string(options.width);
    record += "\r\n#T";
    const std::string subject = mailbox.GetField("Subject:");
    record += subject.empty() ? "(no-title)" : subject;

    const std::string from = mailbox.GetField("From:");
    AddKeyword(record, ExtractBracketed(from, '<', '>', false), "＠差出人");
    const std::size_t lt = from.find('<');
    if (lt != std::string::npos && lt >= 1) {
        const std::string_view name = TrimControls(std::string_view(from).substr(0, lt));
        AddKeyword(record, ExtractBracketed(name, '"', '"', false), "＠氏名");
    }

    AddAddressList(record, mailbox.GetField("To:"), "＠受取人");
    AddAddressList(record, mailbox.GetField("Cc:"), "＠写し");

    const double date = mailbox.GetDate();
    if (date != 0) {
        AddLine(record, "#K" + FormatRecordDate(date, options));
        AddKeyword(record, FormatRecordDateTime(date, options), "＠送信日時");
    } else {
        AddKeyword(record, "不明", "＠送信日時");
    }

    const std::string replyTo = mailbox.GetField("Reply-To:");
    if (!replyTo.empty())
        AddKeyword(record, ExtractBracketed(replyTo, '<', '>', false), "＠返信先");

    const std::string id = ExtractBracketed(mailbox.GetField("Message-Id:"), '<', '>', true);
    if (!id.empty()) AddKeyword(record, id, "＠ＩＤ");

    // Each referenced id once; the block doubles as the list of ids already written, each
    // held between its own markers so that an id inside a longer one is still listed.
    std::string block;
    for (const char* field : {"References:", "In-Reply-To:"}) {
        const std::string value = mailbox.GetField(field);
        for (std::string_view rest = value; !rest.empty(); rest = AfterFirstClose(rest)) {
            const std::string ref = ExtractBracketed(rest, '<', '>', true);
            if (ref.empty()) continue;
            const std::string entry = "▼" + ref + "▲";
            if (block.find(entry) != std::string::npos) continue;
            AddKeyword(record, ref, "＠参照");
            block += entry;
            block += "\r\n";
        }
    }

    const std::string mailer = mailbox.GetField("X-Mailer:");
    if (!mailer.empty())
        AddKeyword(record, ExtractBracketed(mailer, '<', '>', false), "＠メールソフト");

    if (!block.empty() && options.hyperRef) AddLine(record, block);
    AddLine(record, mailbox.Body());
    record += "\r\n#E\r\n\r\n";
    return record;
}

}  // namespace tavori
