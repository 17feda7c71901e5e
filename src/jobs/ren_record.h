#pragma once
// The REN record of the card database 知子の情報: one mail as a title line, keyword lines,
// an optional block of referenced ids and the body, from "#S" to "#E" and an empty line.
#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tavori {

class MailMessage;

struct RecordOptions {
    int width = 80;         // "#W": columns per line, 40 to 255; the body is not re-wrapped
    bool hyperRef = false;  // repeat the referenced ids as "▼id▲" lines before the body
    std::string dateSeparator = "/";
    std::string timeSeparator = ":";
    // Read the mails decoded for a person (MessageForm::kDecoded) rather than as stored.
    bool decode = false;
    // A list field holding only ">" makes a record quadratic in the field's length; a record
    // that would grow beyond this is refused before it is built.
    std::size_t maxRecordBytes = std::size_t{256} * 1024 * 1024;
};

// The text between the first open and the first close after it. Without such a pair the
// whole text (strict false) or the empty string (strict true).
std::string ExtractBracketed(std::string_view text, char open, char close, bool strict);

// The record of the mailbox's current message, which ReadMessage has just read. Reads the
// message through GetField, GetDate and Body only; a Date field that is no date, or a record
// longer than options.maxRecordBytes, raises ConvertError.
std::string BuildRecord(const MailMessage& message, const RecordOptions& options,
                        bool undated = false);

// Buffers a writer of many records reuses from record to record.
struct RecordBuffers {
    std::string head;                   // the record up to its body
    std::string stamp;                  // a date being written
    std::vector<std::string_view> ids;  // the referenced ids listed so far
};
// The same record as the pieces that make it, in order, for a writer that gathers them without
// joining them: everything before the body (built into buffers.head), then the mailbox's
// Body() where it lies. Valid until the buffers or the message change. The record's bound is
// checked as for the whole.
// undated: the record of a mail without a date, whatever its Date field says (the user chose
// to write a mail whose Date is no date so).
std::array<std::string_view, 4> BuildRecordPieces(const MailMessage& message,
                                                  const RecordOptions& options,
                                                  RecordBuffers& buffers, bool undated = false);
// The header fields a record is made of, for a reader's plan (ReadPlan::fields).
std::vector<std::string> RecordFieldNames();

// "yyyy/mm/dd hh:nn:ss" with the given separators, as the record writes the date-time.
std::string FormatRecordDateTime(double value, const RecordOptions& options);

}  // namespace tavori
