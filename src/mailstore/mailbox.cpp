#include "mailstore/mailbox.h"

#include <algorithm>
#include <cstring>

#include "decode/header_decoder.h"
#include "mailstore/mail_date.h"
#include "platform/errors.h"
#include "platform/file.h"
#include "platform/sjis_text.h"

namespace tavori {
namespace {

// Position of the next "\r\n.\r\n" at or after from in data[0, size), or size when none.
// Searches for the full stop, which is rarer than line ends in Japanese text.
std::size_t FindSeparator(const char* data, std::size_t from, std::size_t size) {
    std::size_t pos = from + 2;
    while (pos + 2 < size) {
        const void* dot = std::memchr(data + pos, '.', size - 2 - pos);
        if (dot == nullptr) break;
        pos = static_cast<std::size_t>(static_cast<const char*>(dot) - data);
        if (data[pos - 2] == '\r' && data[pos - 1] == '\n' && data[pos + 1] == '\r' &&
            data[pos + 2] == '\n')
            return pos - 2;
        ++pos;
    }
    return size;
}

// Unfolds continuation lines: each CR LF followed by a space goes, with all spaces right
// behind it, joining the lines with nothing between. Removing them in one pass from the front
// gives the same text as removing the first such place again and again: the text written so
// far never holds one, so the next place can only end at a space being added, and its CR may
// be the last byte left by the previous removal. Whole runs between places are copied.
std::string Unfold(std::string header) {
    const std::size_t n = header.size();
    if (header.find("\n ") == std::string::npos) return header;
    const char* h = header.data();
    std::string out;
    out.reserve(n);
    std::size_t copied = 0;  // header[copied, ...) is not yet in out
    std::size_t from = 0;
    while (from < n) {
        const void* p = std::memchr(h + from, '\n', n - from);
        if (p == nullptr) break;
        const std::size_t lf = static_cast<std::size_t>(static_cast<const char*>(p) - h);
        from = lf + 1;
        if (from >= n || h[from] != ' ') continue;
        // The byte before this LF in the unfolded text: in the pending run, or already out.
        const bool crBefore = lf > copied ? h[lf - 1] == '\r' : !out.empty() && out.back() == '\r';
        if (!crBefore) continue;
        if (lf > copied)
            out.append(h + copied, lf - 1 - copied);
        else
            out.pop_back();
        copied = from + 1;
        while (copied < n && h[copied] == ' ') ++copied;
        from = copied;
    }
    out.append(h + copied, n - copied);
    return out;
}

// A line that is "." alone would end the message when the text is written back to a
// mailbox file; a space before the full stop keeps it a line of text.
bool IsLoneDotLine(std::string_view text, std::size_t dot) {
    bool startsLine = dot == 0 || (dot >= 2 && text[dot - 2] == '\r' && text[dot - 1] == '\n');
    bool endsLine = dot + 1 == text.size() ||
                    (dot + 2 < text.size() && text[dot + 1] == '\r' && text[dot + 2] == '\n');
    return startsLine && endsLine;
}

std::string ProtectLoneDots(std::string text) {
    const char* t = text.data();
    const std::size_t n = text.size();
    std::string out;  // built only once a lone dot is found
    std::size_t copied = 0;
    for (std::size_t from = 0; from < n;) {
        const void* p = std::memchr(t + from, '.', n - from);
        if (p == nullptr) break;
        const std::size_t dot = static_cast<std::size_t>(static_cast<const char*>(p) - t);
        from = dot + 1;
        if (!IsLoneDotLine(text, dot)) continue;
        if (out.empty()) out.reserve(n + 8);
        out.append(t + copied, dot - copied);
        out += ' ';
        copied = dot;
    }
    if (out.empty()) return text;
    out.append(t + copied, n - copied);
    return out;
}

// The body rules in one pass over the lines: a space before a "#" that begins a line, a space
// before a line that is "." alone (it would end the message when written back to a mailbox
// file), and every run of three or more CR LF pairs cut to two, so no two empty lines follow
// each other. The spaces go only before line starts and never touch a CR LF run, so doing all
// three at once gives the text of doing them one after the other.
std::string NormaliseBody(std::string_view body) {
    std::string out;
    out.reserve(body.size() + body.size() / 64 + 16);
    const std::size_t n = body.size();
    std::size_t i = 0;  // always the start of a line
    while (i < n) {
        if (body[i] == '#' || (body[i] == '.' && IsLoneDotLine(body, i))) out += ' ';
        const void* lf = std::memchr(body.data() + i, '\n', n - i);
        const std::size_t end =
            lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - body.data()) + 1 : n;
        out.append(body.data() + i, end - i);
        i = end;
        if (end >= 2 && body[end - 1] == '\n' && body[end - 2] == '\r') {
            std::size_t more = 0;  // empty CR LF lines right behind this line end
            while (i + 1 < n && body[i] == '\r' && body[i + 1] == '\n') {
                ++more;
                i += 2;
            }
            if (more > 0) out += "\r\n";
        }
    }
    return out;
}

// Splits a message into its normal header and body (see TMailBox::ParseMessage). Reads the
// text where it lies, so a message whole in the read buffer needs no copy of its own.
void ParseInto(std::string_view text, std::string& headerOut, std::string& bodyOut) {
    std::string cleaned;
    if (std::memchr(text.data(), '\x1A', text.size()) != nullptr) {
        cleaned.assign(text);
        std::erase(cleaned, '\x1A');
        text = cleaned;
    }
    const std::size_t split = text.find("\r\n\r\n");
    std::string_view bodyPart;
    std::string header;
    if (split == std::string_view::npos) {
        bodyPart = text;
    } else {
        header.assign(text.substr(0, split));
        bodyPart = text.substr(split + 4);
    }
    const std::string_view body = TrimWhite(bodyPart);

    if (header.find('\t') != std::string::npos)
        std::replace(header.begin(), header.end(), '\t', ' ');
    header = Unfold(std::move(header));
    DecodeHeaderInPlace(header);
    // Both are built before either is stored: the text may be one of them (SetMessage).
    std::string normalBody = body.empty() ? std::string() : NormaliseBody(body);
    headerOut = ProtectLoneDots(std::move(header));
    bodyOut = std::move(normalBody);
}

}  // namespace

TMailBox::TMailBox() : buffer_(new char[kBufferSize]) {}

TMailBox::~TMailBox() = default;

void TMailBox::Open(const std::string& path, int mode) {
    Close();
    fileName_ = path;
    if (mode == 1) {
        if (platform::IsRegularFile(path)) emptied_ = platform::OutputFile::Create(path);
    } else {
        file_ = platform::InputFile::OpenIfExists(path);
    }
}

void TMailBox::Close() {
    file_.reset();
    if (emptied_) {
        auto closing = std::move(emptied_);
        closing->Close();
    }
    readPtr_ = 0;
    pending_ = 0;
    bytesRead_ = 0;
}

void TMailBox::RequireOpen() const {
    if (file_) return;
    // Open leaves the object closed only when the file does not exist (anything else that is
    // no regular file is refused there), so say so when that is still the case.
    if (!fileName_.empty() && platform::KindOf(fileName_) == platform::FileKind::kMissing)
        throw IoError(PathError(fileName_, "はありません"));
    throw IoError(PathError(fileName_, "は開かれていません"));
}

bool TMailBox::AtEnd() const { return file_ && pending_ == 0 && file_->AtEnd(); }

std::uint64_t TMailBox::GetFileSize() const {
    RequireOpen();
    return file_->Size();
}

bool TMailBox::FillBuffer() {
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
void TMailBox::RequireRoom(const std::string& raw, std::size_t more) const {
    if (more <= maxMessageBytes_ - raw.size()) return;
    constexpr std::size_t kMiB = 1024 * 1024;
    const std::string bound = maxMessageBytes_ >= kMiB && maxMessageBytes_ % kMiB == 0
                                  ? std::to_string(maxMessageBytes_ / kMiB) + " MB"
                                  : std::to_string(maxMessageBytes_) + " バイト";
    throw ConvertError(PathError(fileName_, "のメッセージが大きすぎます",
                                 "1 通の大きさが " + bound + " を超えています"));
}

bool TMailBox::ReadMessage() {
    RequireOpen();
    std::string raw;
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
                ParseInto(std::string_view(buf + start, d), header_, body_);
                return !header_.empty() || !body_.empty();
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
    ParseMessage(std::move(raw));
    return !header_.empty() || !body_.empty();
}

void TMailBox::SetMessage(std::string_view text) { ParseInto(text, header_, body_); }

void TMailBox::ParseMessage(std::string text) { ParseInto(text, header_, body_); }

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

std::string TMailBox::GetField(std::string_view name) const {
    const std::string_view h = header_;
    std::size_t line = 0;
    while (line < h.size()) {
        bool match = h.size() - line >= name.size();
        for (std::size_t k = 0; match && k < name.size(); ++k)
            match = LowerAscii(h[line + k]) == LowerAscii(name[k]);
        if (match) {
            std::size_t start = line + name.size();
            std::size_t end = h.find_first_of("\r\n", start);
            if (end == std::string_view::npos) end = h.size();
            return std::string(TrimWhite(h.substr(start, end - start)));
        }
        // The next line: after the next LF, CR bytes skipped; an empty line ends the header.
        std::size_t lf = h.find('\n', line);
        if (lf == std::string_view::npos) break;
        line = lf + 1;
        while (line < h.size() && h[line] == '\r') ++line;
        if (line >= h.size() || h[line] == '\n') break;
    }
    return {};
}

double TMailBox::GetDate() const { return ParseMailDate(GetField("Date:")); }

std::string TMailBox::CollectField(std::string_view marker) const {
    if (marker.empty()) return {};
    std::size_t first = header_.find(marker);
    if (first == std::string::npos) return {};
    std::string out;
    std::size_t pos = first + marker.size();
    for (std::size_t next; (next = header_.find(marker, pos)) != std::string::npos;
         pos = next + marker.size())
        out.append(header_, pos, next - pos);
    out.append(header_, pos);
    return out;
}

}  // namespace tavori
