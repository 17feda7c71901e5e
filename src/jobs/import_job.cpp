#include "jobs/import_job.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include "base/byte_find.h"
#include "base/errors.h"
#include "base/sjis_text.h"
#include "decode/html_parser.h"
#include "jobs/job_files.h"
#include "mailstore/mail_message.h"
#include "mailstore/message_reader.h"
#include "mime/import_text.h"
#include "platform/file.h"

namespace tavori {
namespace {

// Reads this big go to the system straight into the text, with no copy between.
constexpr std::size_t kReadBlock = platform::InputFile::kBlockBytes;

// One file is one mail and is held whole in memory, as a message of a mailbox is: a file
// larger than a message may be is refused instead of exhausting memory.
constexpr std::size_t kMaxImportBytes = ReadPlan::kDefaultMaxMessageBytes;

ConvertError TooBig(const std::string& path) {
    return ConvertError(PathError(path, "は大きすぎます", "取り込めるのは 256 MB までです"));
}

bool StartsUtf16(std::string_view bytes) {
    return bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
}

// The file's bytes, all of them: the NUL that ends a text may be half of a UTF-16 character.
std::string ReadBytes(const std::string& path) {
    auto file = platform::InputFile::OpenIfExists(path);
    if (!file) throw IoError(PathError(path, "はありません"));
    std::string bytes;
    // Room for a CR before each LF of lines of 16 bytes on average, so that joining the lines
    // of most Unix texts moves no byte to a new place.
    const auto size =
        static_cast<std::size_t>(std::min<std::uint64_t>(file->Size(), kMaxImportBytes));
    bytes.reserve(size + size / 16 + 3);
    for (;;) {
        const std::size_t old = bytes.size();
        if (old > kMaxImportBytes) throw TooBig(path);
        bytes.resize(old + std::min(kReadBlock, kMaxImportBytes - old + 1));
        const std::size_t got = file->Read(bytes.data() + old, bytes.size() - old);
        bytes.resize(old + got);
        if (got == 0) return bytes;
    }
}

// A text mail saved by a mail client as a file of its own, with the charset in its header.
bool IsEmlFile(const std::string& path) {
    return path.size() >= 4 &&
           LowerAsciiName(std::string_view(path).substr(path.size() - 4)) == ".eml";
}

// Each line ended by CR LF, the last one too, in place. Texts that already are so (most
// pages saved on Windows) are left as they are; the others are widened from their end, into
// the room ReadBytes reserved for the CRs of LF lines.
void JoinLines(std::string& text) {
    const std::size_t n = text.size();
    std::size_t added = CountBareLineEnds(text);  // each lone CR or LF gains a byte
    const bool ended = n == 0 || text[n - 1] == '\r' || text[n - 1] == '\n';
    if (!ended) added += 2;
    if (added == 0) return;
    text.resize(n + added);
    char* p = text.data();
    std::size_t r = n, w = n + added;  // w - r is what is still to be added: w never passes r
    if (!ended) {
        p[--w] = '\n';
        p[--w] = '\r';
    }
    // Runs between line ends move whole; once every added byte is placed (w == r), what lies
    // before stays where it is.
    while (w > r) {
        const std::size_t end = FindLastLineEnd(text, r);
        const std::size_t run = r - (end == std::string::npos ? 0 : end + 1);
        std::memmove(p + w - run, p + r - run, run);
        w -= run;
        r -= run;
        if (end == std::string::npos) break;
        // An LF, with the CR before it if there is one, or a lone CR: one CR LF.
        r = end;
        if (p[end] == '\n' && r > 0 && p[r - 1] == '\r') --r;
        p[--w] = '\n';
        p[--w] = '\r';
    }
}

void CutAtNul(std::string& text, bool& endedAtNul) {
    const std::size_t nul = text.find('\0');
    if (nul == std::string::npos) return;
    text.resize(nul);
    endedAtNul = true;
}

}  // namespace

ImportText ReadImportText(const std::string& path, ImportFileType type) {
    ImportText out;
    const bool html = type == ImportFileType::kHtml;
    out.text = ReadBytes(path);
    std::string& text = out.text;
    const bool utf16 = StartsUtf16(text) && (html || !IsEmlFile(path));
    if (!utf16) CutAtNul(text, out.endedAtNul);
    // A mail that names its charset is read in it by the mail client; UTF-16, though, would
    // end at its first NUL.
    const bool keepBytes = !html && !utf16 && (IsEmlFile(path) || mime::NamesItsCharset(text));
    if (!keepBytes) {
        if (mime::ConvertImportText(text, html, out.unmapped) != mime::ImportEncoding::kJapanese) {
            out.sjis = true;
            CutAtNul(text, out.endedAtNul);  // a U+0000 of UTF-16
        }
    }
    JoinLines(text);
    return out;
}

std::string PlainTextOf(ImportText page) {
    return page.sjis ? SjisHtmlToText(std::move(page.text)) : HtmlToText(std::move(page.text));
}

std::string CutMail(std::string_view text, const CutOutStrings& strings) {
    if (strings.begin.empty()) return {};
    const std::size_t begin = text.find(strings.begin);
    if (begin == std::string_view::npos) return {};
    std::string_view mail = text.substr(begin);
    // Searched from the begin string itself: an end string found inside it leaves nothing.
    if (!strings.end.empty()) mail = mail.substr(0, mail.find(strings.end));
    return std::string(TrimWhite(mail));
}

std::string MailTextOf(ImportText text, ImportFileType type, const CutOutStrings& strings) {
    if (type == ImportFileType::kHtml) return CutMail(PlainTextOf(std::move(text)), strings);
    return std::string(TrimMailText(text.text));
}

std::string NotAMailWarning(const std::string& entryName) {
    return entryName + "\r\nメールの形式が間違っています";
}

std::string NulWarning(const std::string& entryName) {
    return entryName + " の途中に NUL があります: それ以降は取り込みません";
}

std::string UnmappedWarning(const std::string& entryName, std::size_t count) {
    return entryName + " : Shift-JIS にない文字 " + std::to_string(count) + " 個を 〓 にしました";
}

ImportJob::ImportJob(std::vector<ImportFile> files, ImportOptions options, JobHost& host)
    : files_(std::move(files)), options_(std::move(options)), host_(host) {}

void ImportJob::Run() {
    mailsWritten_ = 0;
    notMails_ = 0;
    aborted_ = false;
    std::vector<std::string> inputs;
    for (const ImportFile& file : files_) inputs.push_back(file.path);
    CheckJobFiles(inputs, {options_.targetPath});
    // A file too big to import would end the run with the target already replaced.
    for (const std::string& input : inputs) {
        const auto file = platform::InputFile::OpenIfExists(input);
        if (file && file->Size() > kMaxImportBytes) throw TooBig(input);
    }
    ConfirmReplacing({options_.targetPath}, host_);
    auto target = std::move(CreateJobOutputs(inputs, {options_.targetPath}).front());
    host_.SetProgressMaximum(std::max<std::uint64_t>(options_.listEntries, files_.size()));
    std::uint64_t done = 0;
    for (const ImportFile& file : files_) {
        host_.SetProgressText("ファイル:" + file.name + " 読込み中...");
        ImportText text = ReadImportText(file.path, options_.type);
        if (text.endedAtNul) host_.Warn(NulWarning(file.name));
        const std::size_t unmapped = text.unmapped;
        const MailMessage mail(MailTextOf(std::move(text), options_.type, options_.strings));
        if (mail.HasHeader()) {
            target->Write(mail.ToMailboxText());
            target->Flush();  // every mail written so far survives an error or an abort
            ++mailsWritten_;
            if (unmapped > 0) host_.Warn(UnmappedWarning(file.name, unmapped));
        } else {
            ++notMails_;
            host_.Warn(NotAMailWarning(file.name));
        }
        host_.SetProgressPosition(++done);
        host_.ProcessPendingEvents();
        if (host_.AbortRequested()) {
            aborted_ = true;
            break;
        }
    }
    target->Close();
}

}  // namespace tavori
