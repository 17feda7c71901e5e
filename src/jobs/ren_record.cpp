#include "jobs/ren_record.h"

#include <cstdio>

#include "mailstore/mail_date.h"
#include "mailstore/mailbox.h"
#include "platform/sjis_text.h"

namespace tavori {
namespace {

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

namespace {

std::string Padded(int value, int width) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*d", width, value);
    return text;
}

}  // namespace

std::string FormatRecordDate(double value, const RecordOptions& options) {
    const DateTimeParts p = DecodeDateTime(value);
    const std::string& sep = options.dateSeparator;
    return Padded(p.year, 4) + sep + Padded(p.month, 2) + sep + Padded(p.day, 2);
}

std::string FormatRecordDateTime(double value, const RecordOptions& options) {
    const DateTimeParts p = DecodeDateTime(value);
    const std::string& sep = options.timeSeparator;
    return FormatRecordDate(value, options) + " " + Padded(p.hour, 2) + sep + Padded(p.minute, 2) +
           sep + Padded(p.second, 2);
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
        const std::string_view name = TrimWhite(std::string_view(from).substr(0, lt));
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
