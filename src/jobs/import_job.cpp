#include "jobs/import_job.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include "base/errors.h"
#include "base/sjis_text.h"
#include "decode/html_parser.h"
#include "jobs/job_files.h"
#include "mailstore/mail_message.h"
#include "mailstore/message_reader.h"
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

// The file's bytes up to its first NUL byte (the end of the text by the reading rule).
std::string ReadUpToNul(const std::string& path, bool* endedAtNul) {
    auto file = platform::InputFile::OpenIfExists(path);
    if (!file) throw IoError(PathError(path, "はありません"));
    std::string bytes;
    for (;;) {
        const std::size_t old = bytes.size();
        if (old > kMaxImportBytes) throw TooBig(path);
        bytes.resize(old + std::min(kReadBlock, kMaxImportBytes - old + 1));
        const std::size_t got = file->Read(bytes.data() + old, bytes.size() - old);
        bytes.resize(old + got);
        if (got == 0) return bytes;
        // NOLINTNEXTLINE(bugprone-not-null-terminated-result): a search for the NUL itself
        if (const void* nul = std::memchr(bytes.data() + old, '\0', got)) {
            if (endedAtNul) *endedAtNul = true;
            bytes.resize(static_cast<std::size_t>(static_cast<const char*>(nul) - bytes.data()));
            return bytes;
        }
    }
}

}  // namespace

std::string ReadImportText(const std::string& path, bool* endedAtNul) {
    if (endedAtNul) *endedAtNul = false;
    const std::string bytes = ReadUpToNul(path, endedAtNul);
    std::string text;
    text.reserve(bytes.size() + bytes.size() / 16);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            text += "\r\n";
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        } else {
            text += c;
        }
    }
    // The last line is ended like every other; a final line end gives no empty line.
    if (!bytes.empty() && bytes.back() != '\r' && bytes.back() != '\n') text += "\r\n";
    return text;
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

std::string CutOutMail(std::string_view html, const CutOutStrings& strings) {
    return CutMail(HtmlToText(html), strings);
}

std::string MailTextOf(std::string_view text, ImportFileType type, const CutOutStrings& strings) {
    if (type == ImportFileType::kHtml) return CutOutMail(text, strings);
    return std::string(TrimMailText(text));
}

std::string NotAMailWarning(const std::string& entryName) {
    return entryName + "\r\nメールの形式が間違っています";
}

std::string NulWarning(const std::string& entryName) {
    return entryName + " の途中に NUL があります: それ以降は取り込みません";
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
        bool endedAtNul = false;
        const std::string text = ReadImportText(file.path, &endedAtNul);
        if (endedAtNul) host_.Warn(NulWarning(file.name));
        const MailMessage mail(MailTextOf(text, options_.type, options_.strings));
        if (mail.HasHeader()) {
            target->Write(mail.ToMailboxText());
            target->Flush();  // every mail written so far survives an error or an abort
            ++mailsWritten_;
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
