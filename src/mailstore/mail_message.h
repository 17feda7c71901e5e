#pragma once
// One mail message in the normal form the jobs use: a header with its lines unfolded and its
// encoded words decoded, and a body trimmed, with no line that begins with "#" and never two
// empty lines in a row. Made from any text, or by a MessageReader from a mailbox file, and
// written back as mailbox text.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "mailstore/header_lines.h"

namespace tavori {

struct HeaderDecodeBuffers;

// How a message's text is read. kMailbox: as the mailbox reader defines it, the form every
// job writes back to mailbox files. kDecoded: for a person to read (the export's decoding
// mode): header lines unfolded keeping their blanks, encoded words of every charset and raw
// UTF-8 decoded, and the body the decoded text of the mail (see mime/mime_body.h).
enum class MessageForm : unsigned char { kMailbox, kDecoded };

// The header fields a reader looks up in every message, named in advance (as given to
// FieldView), and the marker it gives CollectField.
struct WantedFields {
    std::vector<std::string> names;
    std::string marker;
};

class MailMessage {
  public:
    // What ends each message in a mailbox file.
    static constexpr std::string_view kSeparator = "\r\n.\r\n";

    MailMessage() = default;
    // text normalised like a message read from a mailbox file.
    explicit MailMessage(std::string_view text, MessageForm form = MessageForm::kMailbox);
    // A copy holds the same text; the values found in advance stay with the original.
    MailMessage(const MailMessage& other)
        : header_(other.header_),
          body_(other.body_),
          form_(other.form_),
          unmapped_(other.unmapped_) {}
    MailMessage& operator=(const MailMessage& other);
    MailMessage(MailMessage&&) noexcept = default;
    MailMessage& operator=(MailMessage&&) noexcept = default;

    bool HasHeader() const { return !header_.empty(); }
    const std::string& Header() const { return header_; }
    const std::string& Body() const { return body_; }
    // The value of the first header line that begins with name ("Subject:"), ASCII letters
    // compared without case, trimmed; empty when there is none.
    std::string GetField(std::string_view name) const { return std::string(FieldView(name)); }
    // The same value where it lies in the header, valid while the message is unchanged.
    std::string_view FieldView(std::string_view name) const;
    // The Date field as a date-time value, 0 when there is no usable date; DateError when
    // the field is no valid date and time. A decoded message reads more forms of dates.
    double GetDate() const;
    // The header text after the first occurrence of marker, with every later occurrence of the
    // marker itself removed; empty when the header does not hold it.
    std::string CollectField(std::string_view marker) const;
    // The message as mailbox text, separator included; empty when it has no header.
    std::string ToMailboxText() const;
    // For a message whose reader found fields in advance: how many lookups since then asked
    // for a field the reader was not given, each a search of the header. A reader's plan
    // should name every field its caller reads.
    int LookupsBeyondPlan() const { return beyondPlan_; }
    MessageForm Form() const { return form_; }
    // Of a decoded message: the characters Shift-JIS lacks, written as "〓", in the body and
    // in the values of the named fields (as GetField finds them).
    std::size_t Unmapped(const std::vector<std::string>& fields) const;

    void Clear();
    void Swap(MailMessage& other) noexcept;

    // For the reader of a mailbox file: text parsed into this message in the given form,
    // reusing its buffers (text must not lie in them); without wantBody the body stays empty.
    // decoding holds the parsing thread's buffers for encoded words. True when the message
    // has a header or a body.
    bool Parse(std::string_view text, bool wantBody, HeaderDecodeBuffers& decoding,
               MessageForm form = MessageForm::kMailbox);
    // Indexes the header lines now and finds the values of fields; without this, the first
    // lookup indexes them.
    void FindFields(const std::shared_ptr<const WantedFields>& fields);
    // Lets go of a buffer grown beyond bytes, with its text: for a message kept to be read into.
    void ReleaseBuffersOver(std::size_t bytes);
    // Asks for the message to be brought near this processor: one parsed on another thread,
    // about to be used here.
    void BringNear() const;

  private:
    void IndexLines() const;

    std::string header_;
    std::string body_;
    mutable HeaderLines lines_;
    mutable bool linesKnown_ = false;
    std::shared_ptr<const WantedFields> found_;  // the names of lines_.values
    mutable int beyondPlan_ = 0;
    MessageForm form_ = MessageForm::kMailbox;
    // Of a decoded message: the characters lacking in its body, and in each header line that
    // has any (where the line starts, how many).
    struct Unmapped {
        std::size_t body = 0;
        std::vector<std::pair<std::size_t, std::size_t>> lines;
    } unmapped_;
};

}  // namespace tavori
