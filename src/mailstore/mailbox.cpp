#include "mailstore/mailbox.h"

#include <algorithm>
#include <cstring>

#include "decode/header_decoder.h"
#include "mailstore/byte_scan.h"
#include "mailstore/mail_date.h"
#include "mailstore/parse_ahead.h"
#include "platform/errors.h"
#include "platform/file.h"
#include "platform/sjis_text.h"

namespace tavori {
namespace {

std::size_t FindHeaderEnd(std::string_view text);

// Position of the next "\r\n.\r\n" at or after from in data[0, size), or size when none.
// Full stops alone are common in ISO-2022-JP text (one byte in seventy); a line feed followed
// by one is not.
std::size_t FindSeparator(const char* data, std::size_t from, std::size_t size) {
    std::size_t found = size;
    if (size < from + 5) return found;
    ForEachPair(data, from + 1, size - 2, '\n', ".", [&](std::size_t lf) {
        if (data[lf - 1] != '\r' || data[lf + 2] != '\r' || data[lf + 3] != '\n') return lf + 1;
        found = lf - 1;
        return size;
    });
    return found;
}

// A lone CR before a folded line can meet the LF of a bare LF behind the fold and make a CR LF
// the header never had: "x\r\n\r\r\n \nY" unfolds to "x\r\n\r\nY"; and a line that is one
// encoded word of no text decodes to an empty line. Written back, that empty line would end
// the header and move the lines after it into the body, and a CR LF at the end would be read
// as part of the separating empty line. Such empty lines hold nothing, so they go.
void CloseEmptyLines(std::string& header) {
    const std::size_t first = FindHeaderEnd(header);
    if (first == std::string_view::npos && !header.ends_with("\r\n")) return;  // as nearly always
    char* h = header.data();
    const std::size_t n = header.size();
    std::size_t w = first == std::string_view::npos ? n : first;
    for (std::size_t i = w; i < n; ++i) {
        if (h[i] == '\r' && i + 3 < n && h[i + 1] == '\n' && h[i + 2] == '\r' && h[i + 3] == '\n') {
            ++i;  // drop this CR LF; the one behind it stays
            continue;
        }
        h[w++] = h[i];
    }
    if (w >= 2 && h[w - 2] == '\r' && h[w - 1] == '\n') w -= 2;
    header.resize(w);
}

// Unfolds continuation lines in place: each CR LF followed by a space goes, with all spaces
// right behind it, joining the lines with nothing between. Removing them in one pass from the
// front gives the same text as removing the first such place again and again: the text
// written so far never holds one, so the next place can only end at a space being added, and
// its CR may be the last byte left by the previous removal. Whole runs between places are
// moved; the text only gets shorter, so the written part never overtakes the read part.
void Unfold(std::string& header) {
    const std::size_t n = header.size();
    char* h = header.data();
    std::size_t w = 0;       // header[0, w) is the unfolded text so far
    std::size_t copied = 0;  // header[copied, ...) is not yet moved there
    ForEachPair(h, 0, n, '\n', " ", [&](std::size_t lf) -> std::size_t {
        const std::size_t from = lf + 1;
        // The byte before this LF in the unfolded text: in the pending run, or already moved.
        const bool crBefore = lf > copied ? h[lf - 1] == '\r' : w > 0 && h[w - 1] == '\r';
        if (!crBefore) return from;
        if (lf > copied) {
            if (w != copied) std::memmove(h + w, h + copied, lf - 1 - copied);
            w += lf - 1 - copied;
        } else {
            --w;
        }
        copied = from + 1;
        while (copied < n && h[copied] == ' ') ++copied;
        return std::max(copied, from + 1);
    });
    if (copied == 0) return;  // nothing was folded
    if (w != copied) std::memmove(h + w, h + copied, n - copied);
    header.resize(w + n - copied);
    CloseEmptyLines(header);
}

// A line that is "." alone would end the message when the text is written back to a
// mailbox file; a space before the full stop keeps it a line of text.
bool IsLoneDotLine(std::string_view text, std::size_t dot) {
    bool startsLine = dot == 0 || (dot >= 2 && text[dot - 2] == '\r' && text[dot - 1] == '\n');
    bool endsLine = dot + 1 == text.size() ||
                    (dot + 2 < text.size() && text[dot + 1] == '\r' && text[dot + 2] == '\n');
    return startsLine && endsLine;
}

void ProtectLoneDots(std::string& text) {
    const std::size_t n = text.size();
    // The first lone dot; most headers have none. Past the start, it follows a line feed.
    std::size_t lone = n > 0 && IsLoneDotLine(text, 0) ? 0 : n;
    if (lone == n) {
        ForEachPair(text.data(), 0, n, '\n', ".", [&](std::size_t lf) {
            if (!IsLoneDotLine(text, lf + 1)) return lf + 1;
            lone = lf + 1;
            return n;
        });
    }
    if (lone == n) return;
    std::string out;
    out.reserve(n + 8);
    out.append(text, 0, lone);
    for (std::size_t i = lone; i < n; ++i) {
        if (text[i] == '.' && IsLoneDotLine(text, i)) out += ' ';
        out += text[i];
    }
    text = std::move(out);
}

// The body rules in one pass over the lines: a space before a "#" that begins a line, a space
// before a line that is "." alone (it would end the message when written back to a mailbox
// file), and every run of three or more CR LF pairs cut to two, so no two empty lines follow
// each other. The spaces go only before line starts and never touch a CR LF run, so doing all
// three at once gives the text of doing them one after the other. Only line starts after a
// line feed can need a change, so the text is searched for those and copied whole between.
void NormaliseBody(std::string_view body, std::string& out) {
    const char* b = body.data();
    const std::size_t n = body.size();
    out.clear();
    out.reserve(n + 16);
    std::size_t copied = 0;  // body[copied, ...) is not yet in out
    auto markLine = [&](std::size_t s) {
        if (b[s] == '#' || (b[s] == '.' && IsLoneDotLine(body, s))) {
            out.append(b + copied, s - copied);
            out += ' ';
            copied = s;
        }
    };
    // s starts a line after a line feed; returns where the search for line feeds goes on.
    auto lineStart = [&](std::size_t s) -> std::size_t {
        if (s >= n) return s;
        if (b[s] != '\r' || b[s - 2] != '\r') {  // not empty lines behind a CR LF line end
            markLine(s);
            return s;
        }
        std::size_t i = s;
        while (i + 1 < n && b[i] == '\r' && b[i + 1] == '\n') i += 2;
        if (i - s > 2) {  // keep one empty line of the run
            out.append(b + copied, s + 2 - copied);
            copied = i;
        }
        if (i == s) return s;  // a lone CR
        if (i < n) markLine(i);
        return i;
    };
    if (n > 0) markLine(0);
    ForEachPair(b, 0, n, '\n', "#.\r", [&](std::size_t lf) {
        const std::size_t s = lf + 1;
        return lf >= 1 ? std::max(lineStart(s), s) : s;
    });
    out.append(b + copied, n - copied);
}

// The position of the first empty line ("\r\n\r\n") in text, or npos.
std::size_t FindHeaderEnd(std::string_view text) {
    std::size_t found = std::string_view::npos;
    const char* t = text.data();
    const std::size_t n = text.size();
    if (n < 4) return found;
    ForEachPair(t, 1, n - 1, '\n', "\r", [&](std::size_t lf) {
        if (t[lf - 1] != '\r' || t[lf + 2] != '\n') return lf + 1;
        found = lf - 1;
        return n;
    });
    return found;
}

// Splits a message into its normal header and body (see TMailBox::SetMessage). Reads the
// text where it lies, so a message whole in the read buffer needs no copy of its own; the
// text must not lie in headerOut or bodyOut, whose buffers are reused. Without wantBody the
// body is left empty. decoding holds the reader's buffers for the header's encoded words.
// True when the message has a header or a body.
bool ParseInto(std::string_view text, std::string& headerOut, std::string& bodyOut, bool wantBody,
               HeaderDecodeBuffers& decoding) {
    // Bytes 0x1A are dropped from the whole text before it is split. Where none lies before
    // the empty line the split is the same, and only the body (if it is wanted) is searched.
    std::string cleaned;
    std::size_t split = FindHeaderEnd(text);
    const std::size_t headPart = split == std::string_view::npos ? text.size() : split + 4;
    if (FindByte(text.data(), text.data() + headPart, '\x1A') != nullptr) {
        cleaned.assign(text);
        std::erase(cleaned, '\x1A');
        text = cleaned;
        split = FindHeaderEnd(text);
    }
    std::string_view bodyPart;
    if (split == std::string_view::npos) {
        headerOut.clear();
        bodyPart = text;
    } else {
        // Tabs begin most folded lines: they become spaces as the header is copied, in a plain
        // loop the compiler can widen rather than a search that stops at each of them.
        headerOut.resize(split);
        char* const out = headerOut.data();
        const char* const in = text.data();
        for (std::size_t i = 0; i < split; ++i) out[i] = in[i] == '\t' ? ' ' : in[i];
        bodyPart = text.substr(split + 4);
    }
    Unfold(headerOut);
    if (DecodeHeaderInPlace(headerOut, decoding)) {
        // Decoded text began a line with a blank, which reading the written header back
        // would take for a fold, or left it empty: a line of one encoded word of no text.
        Unfold(headerOut);
        CloseEmptyLines(headerOut);
    }
    ProtectLoneDots(headerOut);
    // Without the body, only whether there was one counts, and a header already says there
    // was a message: the body's bytes need not even be looked at.
    if (!wantBody && !headerOut.empty()) {
        bodyOut.clear();
        return true;
    }

    std::string_view body = TrimMailText(bodyPart);  // 0x1A is trimmed like any control byte
    if (wantBody && !body.empty() && cleaned.empty() &&
        FindByte(body.data(), body.data() + body.size(), '\x1A') != nullptr) {
        cleaned.assign(body);
        std::erase(cleaned, '\x1A');
        body = TrimMailText(cleaned);
    }
    if (wantBody && !body.empty())
        NormaliseBody(body, bodyOut);
    else
        bodyOut.clear();
    return !headerOut.empty() || !body.empty();
}

}  // namespace

// The open file and its read buffer. The buffer holds at most kBufferSize - 1 file bytes and
// a NUL behind them; a message whole in it is parsed where it lies.
class TMailBox::Reader final : public MessageSource {
  public:
    Reader(std::unique_ptr<platform::InputFile> file, const std::string& fileName)
        : file_(std::move(file)), fileName_(fileName), buffer_(new char[kBufferSize]) {}

    bool AtEnd() override { return pending_ == 0 && carry_.empty() && file_->AtEnd(); }
    void Split(RawMessages& raw, std::uint64_t bytes, std::size_t messages) override;
    void Parse(std::string_view text, ParsedMessage& into, int worker, bool indexLines) override {
        into.any = ParseInto(text, into.header, into.body, wantBody, decoding_[worker]);
        into.indexed = indexLines;
        if (!indexLines) return;
        into.lines.Index(into.header);  // here, where the message was parsed
        into.lines.FindValues(into.header, fieldsWanted, markerWanted);
    }
    bool ReadMessage(std::string& header, std::string& body);
    std::uint64_t Size() const { return file_->Size(); }
    platform::InputFile& File() { return *file_; }
    std::uint64_t BytesRead() const { return bytesRead_; }
    // The reading thread of a ParseAhead reads the file itself: a third thread between it
    // and the file would only add hand-overs.
    void ReadOnCallingThread() { file_->ReadOnCallingThread(); }

    bool wantBody = true;
    std::size_t maxMessageBytes = kDefaultMaxMessageBytes;
    std::vector<std::string> fieldsWanted;
    std::string markerWanted;

  private:
    bool FillBuffer();
    void RequireRoom(const std::string& raw, std::size_t more) const {
        RequireRoom(raw.size(), more);
    }
    void RequireRoom(std::size_t held, std::size_t more) const;

    std::unique_ptr<platform::InputFile> file_;
    const std::string& fileName_;
    std::unique_ptr<char[]> buffer_;
    std::size_t readPtr_ = 0;    // offset of the first unconsumed byte in the buffer
    std::uint64_t pending_ = 0;  // unconsumed bytes from readPtr_ on
    std::uint64_t bytesRead_ = 0;
    std::string raw_;    // a message spanning buffer loads
    std::string carry_;  // for Split: the bytes of a message the last stretch did not finish
    HeaderDecodeBuffers decoding_[2];  // one for each thread that parses
};

bool TMailBox::Reader::FillBuffer() {
    if (pending_ > 4) return true;
    if (file_->AtEnd()) return pending_ > 0;
    char* buf = buffer_.get();
    if (pending_ > 0) std::memmove(buf, buf + readPtr_, pending_);
    std::size_t want = kBufferSize - 1 - pending_;
    std::size_t got = 0;
    // A short read is not the end; keep reading until the block is full or the file ends.
    while (got < want) {
        std::size_t n = file_->Read(buf + pending_ + got, want - got);
        if (n == 0) break;
        got += n;
    }
    pending_ += got;
    readPtr_ = 0;
    buf[pending_] = '\0';
    return pending_ > 0;
}

// Checked before each append, so the text of a message never grows beyond the bound.
void TMailBox::Reader::RequireRoom(std::size_t held, std::size_t more) const {
    if (more <= maxMessageBytes - held) return;
    constexpr std::size_t kMiB = 1024 * 1024;
    const std::string bound = maxMessageBytes >= kMiB && maxMessageBytes % kMiB == 0
                                  ? std::to_string(maxMessageBytes / kMiB) + " MB"
                                  : std::to_string(maxMessageBytes) + " バイト";
    throw ConvertError(PathError(fileName_, "のメッセージが大きすぎます",
                                 "1 通の大きさが " + bound + " を超えています"));
}

bool TMailBox::Reader::ReadMessage(std::string& header, std::string& body) {
    // A message that spans buffer loads is joined in a buffer kept from message to message,
    // unless it grew for a big one.
    std::string& raw = raw_;
    raw.clear();
    if (raw.capacity() > 1024 * 1024) std::string().swap(raw);
    const char* buf = buffer_.get();
    while (FillBuffer()) {
        const std::size_t end = readPtr_ + pending_;
        const std::size_t sep = FindSeparator(buf, readPtr_, end);
        if (sep < end) {
            const std::size_t d = sep - readPtr_;
            RequireRoom(raw, d);
            const std::size_t start = readPtr_;
            readPtr_ += d + kSeparator.size();
            pending_ -= d + kSeparator.size();
            bytesRead_ += d + kSeparator.size();
            if (raw.empty()) {  // the whole message is in the buffer: parse it from there
                return ParseInto(std::string_view(buf + start, d), header, body, wantBody,
                                 decoding_[0]);
            }
            raw.append(buf + start, d);
            break;
        }
        // Hold the last 4 bytes back, so a separator straddling two loads is found.
        const std::size_t n = pending_ > 4 ? pending_ - 4 : pending_;
        RequireRoom(raw, n);
        raw.append(buf + readPtr_, n);
        readPtr_ += n;
        pending_ -= n;
        bytesRead_ += n;
    }
    return ParseInto(raw, header, body, wantBody, decoding_[0]);
}

static_assert(ParseAhead::kBatchBytes >= platform::InputFile::kReadAhead,
              "a batch's reads must go to the system directly");

// The same split as ReadMessage's, over bigger stretches read straight into raw: the file is
// read bytes at a time behind the bytes carried over (reads of the file's read-ahead size or
// more go to the system directly, with no copy between), every message whole in what was read
// is listed, and the bytes of the last, unfinished one are carried to the next call. A message
// longer than the bound is refused as ReadMessage refuses it: once more than the bound and the four
// bytes a separator could still need are held, or at its separator or the end of the file.
void TMailBox::Reader::Split(RawMessages& raw, std::uint64_t bytes, std::size_t messages) {
    raw.spans.clear();
    raw.size = 0;
    const std::size_t step = static_cast<std::size_t>(bytes);
    raw.Reserve(carry_.size() + step + 1);
    if (!carry_.empty()) std::memcpy(raw.bytes.get(), carry_.data(), carry_.size());
    raw.size = carry_.size();
    carry_.clear();
    std::size_t start = 0;     // where the unfinished message begins
    std::size_t searched = 0;  // the separator search goes on from here
    bool end = false;
    for (std::size_t target = raw.size + step;; target = raw.size + step) {
        // Read up to target bytes in all; a short read is not the end.
        raw.Reserve(target + 1);
        while (raw.size < target && !file_->AtEnd()) {
            const std::size_t n = file_->Read(raw.bytes.get() + raw.size, target - raw.size);
            if (n == 0) break;
            raw.size += n;
        }
        end = raw.size < target || file_->AtEnd();
        const char* data = raw.bytes.get();
        for (;;) {
            const std::size_t sep = FindSeparator(data, std::max(start, searched), raw.size);
            if (sep == raw.size) break;
            const std::size_t d = sep - start;
            RequireRoom(0, d);
            bytesRead_ += d + kSeparator.size();
            raw.spans.push_back({start, d, bytesRead_});
            start = sep + kSeparator.size();
            if (raw.spans.size() == messages) {  // the rest waits for the next call
                carry_.assign(data + start, raw.size - start);
                return;
            }
        }
        // A separator may begin in the last four bytes; the search goes on from there.
        searched = raw.size > 4 ? raw.size - 4 : 0;
        if (end) break;
        const std::size_t held = raw.size - start;
        if (held > 4) RequireRoom(0, held - 4);
        if (!raw.spans.empty()) {
            carry_.assign(data + start, held);
            return;
        }
    }
    // The bytes after the last separator form one more message.
    if (start < raw.size) {
        const std::size_t d = raw.size - start;
        RequireRoom(0, d);
        bytesRead_ += d;
        raw.spans.push_back({start, d, bytesRead_});
    }
}

TMailBox::TMailBox() : lines_(std::make_unique<HeaderLines>()) {}

TMailBox::~TMailBox() = default;

void TMailBox::Open(const std::string& path, int mode) {
    Close();
    fileName_ = path;
    if (mode == 1) {
        if (platform::IsRegularFile(path)) emptied_ = platform::OutputFile::Create(path);
    } else if (auto file = platform::InputFile::OpenIfExists(path)) {
        reader_ = std::make_unique<Reader>(std::move(file), fileName_);
    }
}

void TMailBox::Close() {
    ahead_.reset();  // the second thread stops before the file closes
    aheadDecided_ = false;
    reader_.reset();
    if (emptied_) {
        auto closing = std::move(emptied_);
        closing->Close();
    }
    bytesRead_ = 0;
}

void TMailBox::RequireOpen() const {
    if (reader_) return;
    // Open leaves the object closed only when the file does not exist (anything else that is
    // no regular file is refused there), so say so when that is still the case.
    if (!fileName_.empty() && platform::KindOf(fileName_) == platform::FileKind::kMissing)
        throw IoError(PathError(fileName_, "はありません"));
    throw IoError(PathError(fileName_, "は開かれていません"));
}

ParseAhead* TMailBox::Ahead() const {
    if (!aheadDecided_ && reader_) {
        aheadDecided_ = true;
        const std::uint64_t size = reader_->Size();
        if (size >= parseAheadFrom_ && reader_->BytesRead() == 0) {
            reader_->wantBody = wantBody_;
            reader_->maxMessageBytes = maxMessageBytes_;
            // The current message's values were found for the names before: it forgets them.
            lines_->values.clear();
            lines_->markerAt = HeaderLines::kNotLooked;
            lines_->dateKnown = false;
            aheadFields_ = fieldsWanted_;
            aheadMarker_ = markerWanted_;
            reader_->fieldsWanted = aheadFields_;
            reader_->markerWanted = aheadMarker_;
            aheadFileSize_ = size;
            reader_->ReadOnCallingThread();
            ahead_ = std::make_unique<ParseAhead>(*reader_);
        }
    }
    return ahead_.get();
}

platform::FileState TMailBox::GetFileState() const {
    RequireOpen();
    return reader_->File().State();
}

void TMailBox::ExpectFileState(const platform::FileState& state, std::string changed) {
    RequireOpen();
    reader_->File().Expect(state, std::move(changed));
}

bool TMailBox::AtEnd() const {
    if (!reader_) return false;
    if (ParseAhead* ahead = Ahead()) return ahead->AtEnd();
    return reader_->AtEnd();
}

std::uint64_t TMailBox::GetFileSize() const {
    RequireOpen();
    // While the second thread reads, the file is its own; the size it started with stands.
    return ahead_ ? aheadFileSize_ : reader_->Size();
}

bool TMailBox::ReadMessage() {
    RequireOpen();
    linesKnown_ = false;
    if (ParseAhead* ahead = Ahead()) {
        ParsedMessage message{std::move(header_), std::move(body_), false, 0, std::move(*lines_)};
        struct Back {  // the buffers return, also when reading failed
            TMailBox& box;
            ParsedMessage& message;
            ~Back() {
                box.header_ = std::move(message.header);
                box.body_ = std::move(message.body);
                *box.lines_ = std::move(message.lines);
            }
        } back{*this, message};
        ahead->Next(message);
        bytesRead_ = message.bytesRead;
        linesKnown_ = message.indexed;  // else FieldView indexes them here
        return message.any;
    }
    reader_->wantBody = wantBody_;
    reader_->maxMessageBytes = maxMessageBytes_;
    struct Count {  // bytes consumed also when reading fails
        TMailBox& box;
        ~Count() { box.bytesRead_ = box.reader_->BytesRead(); }
    } count{*this};
    return reader_->ReadMessage(header_, body_);
}

void TMailBox::SetMessage(std::string_view text) {
    // The text may be this message's own header or body.
    std::string header, body;
    HeaderDecodeBuffers decoding;
    ParseInto(text, header, body, true, decoding);
    header_ = std::move(header);
    body_ = std::move(body);
    linesKnown_ = false;
}

std::string TMailBox::GetMessage() const {
    if (header_.empty()) return {};
    std::string text;
    text.reserve(header_.size() + body_.size() + 9);
    text += header_;
    text += "\r\n\r\n";
    text += body_;
    text += kSeparator;
    return text;
}

// The lines GetField looks at: the first, then each after a LF with the CR bytes behind that
// LF skipped, up to an empty line.
std::uint64_t HeaderLines::Key(std::string_view text) {
    std::uint64_t key = 0;
    if (text.size() >= 8) {
        // All eight bytes at once: each of "A" to "Z" gets the bit 0x20 of its lower case.
        unsigned char bytes[8];
        std::memcpy(bytes, text.data(), 8);
        for (int k = 7; k >= 0; --k) key = (key << 8) | bytes[k];
        constexpr std::uint64_t kOnes = 0x0101010101010101;
        const std::uint64_t low7 = key & (kOnes * 0x7F);
        const std::uint64_t atLeastA = low7 + kOnes * (0x80 - 'A');
        const std::uint64_t pastZ = low7 + kOnes * (0x80 - 'Z' - 1);
        const std::uint64_t upper = atLeastA & ~pastZ & ~key & (kOnes * 0x80);
        return key | (upper >> 2);
    }
    for (std::size_t k = 0; k < text.size(); ++k)
        key |= std::uint64_t{static_cast<unsigned char>(LowerAscii(text[k]))} << (8 * k);
    return key;
}

void HeaderLines::Index(std::string_view h) {
    starts.clear();
    keys.clear();
    values.clear();
    markerAt = kNotLooked;
    dateKnown = false;
    if (h.empty()) return;
    auto add = [&](std::size_t line) {
        starts.push_back(line);
        keys.push_back(Key(h.substr(line)));
    };
    add(0);
    ForEachByte(h.data(), 0, h.size(), '\n', [&](std::size_t lf) {
        std::size_t line = lf + 1;
        while (line < h.size() && h[line] == '\r') ++line;
        if (line >= h.size() || h[line] == '\n') return h.size();  // the header ends
        add(line);
        return line;
    });
}

void TMailBox::IndexLines() const {
    lines_->Index(header_);
    linesKnown_ = true;
}

std::string TMailBox::GetField(std::string_view name) const { return std::string(FieldView(name)); }

std::string_view TMailBox::FieldView(std::string_view name) const {
    if (!linesKnown_) IndexLines();
    const std::vector<HeaderLines::Span>& values = lines_->values;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::string& wanted = aheadFields_[i];
        if (wanted.size() == name.size() &&
            std::memcmp(wanted.data(), name.data(), name.size()) == 0)
            return std::string_view(header_).substr(values[i].at, values[i].size);
    }
    return lines_->Value(header_, name);
}

std::string_view HeaderLines::Value(std::string_view h, std::string_view name) const {
    // A line that begins with name has the name's key in the bytes the name covers.
    const std::uint64_t want = Key(name);
    const std::uint64_t mask =
        name.size() >= 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * name.size())) - 1;
    for (std::size_t i = 0; i < starts.size(); ++i) {
        if ((keys[i] & mask) != want) continue;
        const std::size_t line = starts[i];
        if (h.size() - line < name.size()) continue;
        bool match = true;
        for (std::size_t k = 8; match && k < name.size(); ++k)
            match = LowerAscii(h[line + k]) == LowerAscii(name[k]);
        if (!match) continue;
        // The value ends at the first CR or LF, at the latest where the next line begins.
        const std::size_t start = line + name.size();
        std::size_t limit = i + 1 < starts.size() ? starts[i + 1] : h.size();
        if (limit <= start) limit = h.size();  // a name that takes in the line end
        std::size_t end = limit;
        if (const char* cr = FindByte(h.data() + start, h.data() + limit, '\r'))
            end = static_cast<std::size_t>(cr - h.data());
        if (const char* lf = FindByte(h.data() + start, h.data() + end, '\n'))
            end = static_cast<std::size_t>(lf - h.data());
        return TrimMailText(h.substr(start, end - start));
    }
    return {};
}

void HeaderLines::FindValues(std::string_view header, const std::vector<std::string>& names,
                             std::string_view marker) {
    if (!marker.empty()) markerAt = FindText(header, marker);
    values.resize(names.size());
    dateKnown = false;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string_view value = Value(header, names[i]);
        if (names[i] == "Date:") {  // read here too, so the job need not touch the bytes
            try {
                date = ParseMailDate(value);
                dateKnown = true;
            } catch (const ConvertError&) {
            }
        }
        // Offsets past 4 GB cannot be kept here: such a field is looked up when asked for.
        const std::size_t at =
            value.empty() ? 0 : static_cast<std::size_t>(value.data() - header.data());
        if (at + value.size() > UINT32_MAX) {
            values.resize(i);
            return;
        }
        values[i] = {static_cast<std::uint32_t>(at), static_cast<std::uint32_t>(value.size())};
    }
}

double TMailBox::GetDate() const {
    if (!linesKnown_) IndexLines();
    if (lines_->dateKnown) return lines_->date;
    return ParseMailDate(FieldView("Date:"));
}

std::string TMailBox::CollectField(std::string_view marker) const {
    if (marker.empty()) return {};
    const bool lookedAhead =
        linesKnown_ && lines_->markerAt != HeaderLines::kNotLooked && marker == aheadMarker_;
    const std::size_t first = lookedAhead ? lines_->markerAt : FindText(header_, marker);
    if (first == std::string::npos) return {};
    std::string out;
    std::size_t pos = first + marker.size();
    for (std::size_t next; (next = FindText(header_, marker, pos)) != std::string::npos;
         pos = next + marker.size())
        out.append(header_, pos, next - pos);
    out.append(header_, pos);
    return out;
}

}  // namespace tavori
