#pragma once
// TMailBox: reading a mailbox file (.mbx) one message at a time, and the normal form of a
// message that the jobs use and that GetMessage writes back as mailbox text.
//
// A mailbox file is a plain sequence of messages, each followed by the separator
// "\r\n.\r\n"; bytes after the last separator form one more message.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file.h"

namespace tavori {
class ParseAhead;
struct HeaderLines;

class TMailBox {
  public:
    static constexpr std::size_t kBufferSize = 16384;  // holds at most 16,383 file bytes
    static constexpr std::string_view kSeparator = "\r\n.\r\n";

    TMailBox();
    virtual ~TMailBox();
    TMailBox(const TMailBox&) = delete;
    TMailBox& operator=(const TMailBox&) = delete;

    // Opens path for reading (mode 0). A missing file is no error: Opened() stays false. A file
    // still open is closed first. Mode 1 empties an existing file and keeps nothing open for
    // reading.
    void Open(const std::string& path, int mode = 0);
    void Close();
    bool AtEnd() const;
    std::uint64_t GetFileSize() const;  // IoError when no file is open
    // The open file's identity, size and last write, and the promise that it stays so (see
    // InputFile::Expect): before the first ReadMessage or AtEnd. IoError when no file is open.
    platform::FileState GetFileState() const;
    void ExpectFileState(const platform::FileState& state, std::string changed);

    // Reads the next message and makes it the current one; true when it has a header or a body.
    // A message whose raw text is longer than the bound is a ConvertError naming the file.
    bool ReadMessage();
    // The bound on one message's raw text, which ReadMessage holds whole in memory.
    static constexpr std::size_t kDefaultMaxMessageBytes = std::size_t{256} * 1024 * 1024;
    void SetMaxMessageBytes(std::size_t bytes) { maxMessageBytes_ = bytes; }
    // A reader that needs header fields only (a scan) can leave the body of each message
    // unbuilt; Body() is then empty and ReadMessage still tells whether there was one.
    void SetBodyWanted(bool wanted) { wantBody_ = wanted; }
    // A reader that asks every message for the same fields can name them here (as given to
    // FieldView), and the marker it gives CollectField: where a second thread reads the file,
    // it also finds these, and FieldView, GetField and CollectField use what it found.
    void SetFieldsWanted(std::vector<std::string> names, std::string marker = {}) {
        fieldsWanted_ = std::move(names);
        markerWanted_ = std::move(marker);
    }
    // Files of this size or more are split and parsed on a second thread while the caller works
    // on the messages before (see ParseAhead); the caller sees no difference but the time. The
    // settings above must be made before the first ReadMessage or AtEnd of a file.
    static constexpr std::uint64_t kParseAheadFrom = 1024 * 1024;
    void SetParseAheadFrom(std::uint64_t bytes) { parseAheadFrom_ = bytes; }
    // Makes text the current message, normalised like a message read from a file.
    void SetMessage(std::string_view text);
    // The current message as mailbox text, separator included; empty when it has no header.
    std::string GetMessage() const;

    bool HasHeader() const { return !header_.empty(); }
    // The value of the first header line that begins with name ("Subject:"), ASCII letters
    // compared without case, trimmed; empty when there is none.
    std::string GetField(std::string_view name) const;
    // The same value where it lies in the header, valid until the current message changes.
    std::string_view FieldView(std::string_view name) const;
    // The Date field as a date-time value, 0 when there is no usable date; ConvertError when
    // the field is no valid date and time.
    double GetDate() const;
    // The header text after the first occurrence of marker, with every later occurrence of the
    // marker itself removed; empty when the header does not hold it.
    std::string CollectField(std::string_view marker) const;

    const std::string& FileName() const { return fileName_; }
    bool Opened() const { return reader_ != nullptr || emptied_ != nullptr; }
    const std::string& Header() const { return header_; }
    const std::string& Body() const { return body_; }
    // File bytes consumed by ReadMessage since Open: message text plus 5 per separator.
    std::uint64_t BytesRead() const { return bytesRead_; }

  private:
    class Reader;  // the open file: splits it into messages and parses them
    void IndexLines() const;
    void RequireOpen() const;
    ParseAhead* Ahead() const;  // the second thread for this file, started on first use

    std::string fileName_;
    std::unique_ptr<Reader> reader_;
    mutable std::unique_ptr<ParseAhead> ahead_;
    mutable bool aheadDecided_ = false;
    mutable std::uint64_t aheadFileSize_ = 0;        // the size when the second thread started
    std::unique_ptr<platform::OutputFile> emptied_;  // mode 1
    bool wantBody_ = true;
    std::vector<std::string> fieldsWanted_;
    std::string markerWanted_;
    mutable std::vector<std::string> aheadFields_;  // those the second thread finds, in its order
    mutable std::string aheadMarker_;
    std::string header_;
    std::string body_;
    // The header lines that GetField looks at, found once per message.
    std::unique_ptr<HeaderLines> lines_;
    mutable bool linesKnown_ = false;
    std::uint64_t bytesRead_ = 0;
    std::size_t maxMessageBytes_ = kDefaultMaxMessageBytes;
    std::uint64_t parseAheadFrom_ = kParseAheadFrom;
};

}  // namespace tavori
