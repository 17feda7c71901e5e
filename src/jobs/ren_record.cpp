#include "jobs/ren_record.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <initializer_list>
#include <unordered_set>
#include <vector>

#include "base/byte_find.h"
#include "base/errors.h"
#include "base/sjis_text.h"
#include "mailstore/mail_date.h"
#include "mailstore/mail_message.h"

namespace tavori {
namespace {

std::string SizeText(std::size_t bytes) {
    constexpr std::size_t kMiB = std::size_t{1024} * 1024;
    if (bytes >= kMiB && bytes % kMiB == 0) return std::to_string(bytes / kMiB) + " MB";
    return std::to_string(bytes) + " バイト";
}

// The record as it grows. Every piece is measured before it is appended, so a record that
// would pass the bound fails before anything of that size is allocated.
class RecordText {
  public:
    RecordText(std::size_t maxBytes, std::string& text) : max_(maxBytes), text_(text) {
        text_.clear();
    }

    void Add(std::initializer_list<std::string_view> pieces) {
        Check(pieces);
        for (std::string_view piece : pieces) text_ += piece;
    }
    // Refuses pieces that would take the record beyond the bound.
    void Check(std::initializer_list<std::string_view> pieces) const {
        std::size_t size = 0;
        for (std::string_view piece : pieces) size += piece.size();
        if (size > max_ - text_.size())
            throw ConvertError("レコードが大きすぎます: このメールのレコードは " + SizeText(max_) +
                               " を超えます");
    }

  private:
    std::size_t max_;
    std::string& text_;
};

void AddLine(RecordText& record, std::string_view text) { record.Add({"\r\n", text}); }

void AddKeyword(RecordText& record, std::string_view value, std::string_view label) {
    record.Add({"\r\n#K", value, label});
}

// The elements of an address or id list, left to right: each is the bracketed part of the
// remaining text (or, without one, that text whole or nothing), and what remains after it is
// the text behind the remainder's first ">". The positions of the next "<", of the ">" after
// it and of the next ">" only ever move forward, so a list costs time linear in its length
// even when a long run of ">" stands before a "<".
class ListElements {
  public:
    explicit ListElements(std::string_view list)
        : list_(list),
          open_(FindByte(list, '<')),
          close_(open_ == npos ? npos : FindByte(list, '>', open_ + 1)),
          next_(FindByte(list, '>')) {}

    bool Done() const { return start_ >= list_.size(); }

    // ExtractBracketed(remainder, '<', '>', strict).
    std::string_view Current(bool strict) {
        if (open_ != npos && open_ < start_) open_ = FindByte(list_, '<', start_);
        // A ">" found after an earlier "<" is also the first one after this "<" when it lies
        // behind it: there is no ">" between the two.
        if (open_ != npos && close_ != npos && close_ <= open_)
            close_ = FindByte(list_, '>', open_ + 1);
        if (open_ != npos && close_ != npos) return list_.substr(open_ + 1, close_ - open_ - 1);
        return strict ? std::string_view() : list_.substr(start_);
    }

    void Advance() {
        if (next_ != npos && next_ < start_) next_ = FindByte(list_, '>', start_);
        start_ = next_ == npos ? list_.size() : next_ + 1;
    }

  private:
    static constexpr std::size_t npos = std::string_view::npos;
    std::string_view list_;
    std::size_t start_ = 0;
    std::size_t open_;   // first "<" at or after start_
    std::size_t close_;  // first ">" after open_
    std::size_t next_;   // first ">" at or after start_
};

// One keyword line per element of an address list, left to right.
void AddAddressList(RecordText& record, std::string_view list, std::string_view label) {
    for (ListElements elements(list); !elements.Done(); elements.Advance())
        AddKeyword(record, elements.Current(false), label);
}

// value with leading zeros up to width digits, as "%0*d" writes it; written by hand, since
// every record holds a dozen of them.
void AppendPadded(std::string& text, int value, int width) {
    if (value < 0) {
        char signed_[16];
        std::snprintf(signed_, sizeof signed_, "%0*d", width, value);
        text += signed_;
        return;
    }
    char digits[12];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0);
    if (n < width) text.append(static_cast<std::size_t>(width - n), '0');
    while (n > 0) text += digits[--n];
}

void AppendRecordDate(std::string& text, const DateTimeParts& p, const RecordOptions& options) {
    AppendPadded(text, p.year, 4);
    text += options.dateSeparator;
    AppendPadded(text, p.month, 2);
    text += options.dateSeparator;
    AppendPadded(text, p.day, 2);
}

void AppendRecordDateTime(std::string& text, const DateTimeParts& p, const RecordOptions& options) {
    AppendRecordDate(text, p, options);
    text += ' ';
    AppendPadded(text, p.hour, 2);
    text += options.timeSeparator;
    AppendPadded(text, p.minute, 2);
    text += options.timeSeparator;
    AppendPadded(text, p.second, 2);
}

std::string_view BracketedView(std::string_view text, char open, char close, bool strict) {
    const std::size_t o = FindByte(text, open);
    if (o != std::string_view::npos) {
        const std::string_view after = text.substr(o + 1);
        const std::size_t c = FindByte(after, close);
        if (c != std::string_view::npos) return after.substr(0, c);
    }
    return strict ? std::string_view() : text;
}

// The ids a record has listed so far. A mail refers to a handful, which are looked up one by
// one in the writer's buffer; a set takes over for a long list, so that a header of
// thousands of ids still costs time linear in its length.
class IdsListed {
  public:
    explicit IdsListed(std::vector<std::string_view>& few) : few_(few) { few_.clear(); }
    bool Insert(std::string_view id) {
        if (!many_.empty()) return many_.insert(id).second;
        if (std::find(few_.begin(), few_.end(), id) != few_.end()) return false;
        few_.push_back(id);
        if (few_.size() > kFew) many_.insert(few_.begin(), few_.end());
        return true;
    }

  private:
    static constexpr std::size_t kFew = 32;
    std::vector<std::string_view>& few_;
    std::unordered_set<std::string_view> many_;
};

// What the fields of one message become, written into the record in the layout's order.
struct RecordBuild {
    RecordText record;
    const RecordOptions& options;
    RecordBuffers& buffers;
    IdsListed listed;
    std::string block;  // the "▼id▲" lines of the referenced ids, written before the body
    double date = 0;    // of the Date field, read as a date-time
};

// Writes what a field's value gives under label.
using FieldWriter = void (*)(RecordBuild& build, std::string_view value, std::string_view label);

void WriteTitle(RecordBuild& build, std::string_view subject, std::string_view) {
    build.record.Add({"#S\r\n#W", std::to_string(build.options.width), "\r\n#T",
                      subject.empty() ? std::string_view("(no-title)") : subject});
}

// The address in "<...>" (or the whole value), then the name in quotes before it.
void WriteSender(RecordBuild& build, std::string_view from, std::string_view label) {
    AddKeyword(build.record, BracketedView(from, '<', '>', false), label);
    const std::size_t lt = FindByte(from, '<');
    if (lt != std::string::npos && lt >= 1) {
        const std::string_view name = TrimMailText(from.substr(0, lt));
        AddKeyword(build.record, BracketedView(name, '"', '"', false), "＠氏名");
    }
}

void WriteAddressList(RecordBuild& build, std::string_view list, std::string_view label) {
    AddAddressList(build.record, list, label);
}

// The date as a keyword of its own, then with the time under label; "不明" without a date.
void WriteDate(RecordBuild& build, std::string_view, std::string_view label) {
    if (build.date == 0) {
        AddKeyword(build.record, "不明", label);
        return;
    }
    std::string& stamp = build.buffers.stamp;
    const DateTimeParts parts = DecodeDateTime(build.date);
    stamp.clear();
    AppendRecordDate(stamp, parts, build.options);
    build.record.Add({"\r\n#K", stamp});
    stamp.clear();
    AppendRecordDateTime(stamp, parts, build.options);
    AddKeyword(build.record, stamp, label);
}

void WriteAddress(RecordBuild& build, std::string_view value, std::string_view label) {
    AddKeyword(build.record, BracketedView(value, '<', '>', false), label);
}

// Only an id in "<...>" counts.
void WriteId(RecordBuild& build, std::string_view value, std::string_view label) {
    const std::string_view id = BracketedView(value, '<', '>', true);
    if (!id.empty()) AddKeyword(build.record, id, label);
}

// Each referenced id once over all the reference fields: one equal to an id listed before is
// left out, one merely contained in a longer id is not.
void WriteReferences(RecordBuild& build, std::string_view list, std::string_view label) {
    for (ListElements elements(list); !elements.Done(); elements.Advance()) {
        const std::string_view ref = elements.Current(true);
        if (ref.empty() || !build.listed.Insert(ref)) continue;
        AddKeyword(build.record, ref, label);
        if (build.options.hyperRef) {
            build.block += "▼";
            build.block += ref;
            build.block += "▲\r\n";
        }
    }
}

// How a field's value is read: as text (an optional field writes nothing when the mail has
// none), or as a date-time.
enum class FieldRead { kText, kOptionalText, kDateTime };

// The record's layout: each header field it is made of, in the order of the record, how it is
// read, the label of its keyword lines and what its value becomes.
struct RecordRow {
    std::string_view field;
    FieldRead read;
    std::string_view label;
    FieldWriter write;
};
constexpr RecordRow kRecordLayout[] = {
    {"Subject:", FieldRead::kText, "", WriteTitle},
    {"From:", FieldRead::kText, "＠差出人", WriteSender},
    {"To:", FieldRead::kText, "＠受取人", WriteAddressList},
    {"Cc:", FieldRead::kText, "＠写し", WriteAddressList},
    {"Date:", FieldRead::kDateTime, "＠送信日時", WriteDate},
    {"Reply-To:", FieldRead::kOptionalText, "＠返信先", WriteAddress},
    {"Message-Id:", FieldRead::kText, "＠ＩＤ", WriteId},
    {"References:", FieldRead::kText, "＠参照", WriteReferences},
    {"In-Reply-To:", FieldRead::kText, "＠参照", WriteReferences},
    {"X-Mailer:", FieldRead::kOptionalText, "＠メールソフト", WriteAddress},
};

}  // namespace

std::string ExtractBracketed(std::string_view text, char open, char close, bool strict) {
    return std::string(BracketedView(text, open, close, strict));
}

std::string FormatRecordDateTime(double value, const RecordOptions& options) {
    std::string text;
    AppendRecordDateTime(text, DecodeDateTime(value), options);
    return text;
}

std::vector<std::string> RecordFieldNames() {
    std::vector<std::string> names;
    for (const RecordRow& row : kRecordLayout) names.emplace_back(row.field);
    return names;
}

std::string BuildRecord(const MailMessage& message, const RecordOptions& options, bool undated) {
    RecordBuffers buffers;
    const auto pieces = BuildRecordPieces(message, options, buffers, undated);
    std::string text = std::move(buffers.head);  // the first piece
    text.reserve(text.size() + pieces[1].size() + pieces[2].size() + pieces[3].size());
    for (std::size_t i = 1; i < pieces.size(); ++i) text += pieces[i];
    return text;
}

std::array<std::string_view, 4> BuildRecordPieces(const MailMessage& message,
                                                  const RecordOptions& options,
                                                  RecordBuffers& buffers, bool undated) {
    std::string& out = buffers.head;
    // Field values are read where they lie in the header, and dates are written into the
    // writer's buffers: a record costs no allocation of its own.
    RecordBuild build{
        RecordText(options.maxRecordBytes, out), options, buffers, IdsListed(buffers.ids), {}};
    for (const RecordRow& row : kRecordLayout) {
        std::string_view value;
        if (row.read == FieldRead::kDateTime) {
            build.date = undated ? 0 : message.GetDate();
        } else {
            value = message.FieldView(row.field);
            if (value.empty() && row.read == FieldRead::kOptionalText) continue;
        }
        row.write(build, value, row.label);
    }
    RecordText& record = build.record;
    const std::string& block = build.block;
    if (!block.empty()) AddLine(record, block);
    constexpr std::string_view kBodyStart = "\r\n", kEnd = "\r\n#E\r\n\r\n";
    record.Check({kBodyStart, message.Body(), kEnd});
    return {out, kBodyStart, message.Body(), kEnd};
}

}  // namespace tavori
