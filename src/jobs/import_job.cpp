#include "jobs/import_job.h"

#include <algorithm>
#include <memory>
#include <utility>

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
    bytes.reserve(std::min<std::uint64_t>(file->Size(), kMaxImportBytes) + 1);
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

// Each line ended by CR LF, the last one too. Texts that already are so (most pages saved on
// Windows) are given back without a copy; the others are copied once, into their exact size.
std::string JoinLines(std::string bytes) {
    std::size_t added = 0;  // bytes the lone CRs and LFs and the missing last line end add
    const std::size_t n = bytes.size();
    const char* p = bytes.data();
    for (std::size_t i = 0; i < n; ++i) {
        if (p[i] > '\r' || (p[i] != '\r' && p[i] != '\n')) continue;
        if (p[i] == '\r' && i + 1 < n && p[i + 1] == '\n')
            ++i;
        else
            ++added;
    }
    const bool ended = n == 0 || p[n - 1] == '\r' || p[n - 1] == '\n';
    if (!ended) added += 2;
    if (added == 0) return bytes;
    std::string text(n + added, '\0');
    char* out = text.data();
    for (std::size_t i = 0; i < n; ++i) {
        const char c = p[i];
        if (c > '\r' || (c != '\r' && c != '\n')) {
            *out++ = c;
            continue;
        }
        *out++ = '\r';
        *out++ = '\n';
        if (c == '\r' && i + 1 < n && p[i + 1] == '\n') ++i;
    }
    if (!ended) {
        *out++ = '\r';
        *out++ = '\n';
    }
    return text;
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
    const bool keepBytes = !html && IsEmlFile(path);
    std::string bytes = ReadBytes(path);
    const bool utf16 = !keepBytes && StartsUtf16(bytes);
    if (!utf16) CutAtNul(bytes, out.endedAtNul);
    if (!keepBytes) {
        auto sjis = mime::ImportTextAsSjis(bytes, html);
        // A mail that names its charset is read in it by the mail client; UTF-16 bytes,
        // though, would end at their first NUL.
        if (sjis && (html || utf16 || !mime::NamesItsCharset(sjis->text))) {
            bytes = std::move(sjis->text);
            out.sjis = true;
            out.unmapped = sjis->unmapped;
            CutAtNul(bytes, out.endedAtNul);  // a U+0000 of UTF-16
        }
    }
    out.text = JoinLines(std::move(bytes));
    return out;
}

std::string PlainTextOf(const ImportText& page) {
    return page.sjis ? SjisHtmlToText(page.text) : HtmlToText(page.text);
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

std::string MailTextOf(const ImportText& text, ImportFileType type, const CutOutStrings& strings) {
    if (type == ImportFileType::kHtml) return CutMail(PlainTextOf(text), strings);
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
        const ImportText text = ReadImportText(file.path, options_.type);
        if (text.endedAtNul) host_.Warn(NulWarning(file.name));
        const MailMessage mail(MailTextOf(text, options_.type, options_.strings));
        if (mail.HasHeader()) {
            target->Write(mail.ToMailboxText());
            target->Flush();  // every mail written so far survives an error or an abort
            ++mailsWritten_;
            if (text.unmapped > 0) host_.Warn(UnmappedWarning(file.name, text.unmapped));
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
