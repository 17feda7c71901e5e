#include "jobs/export_job.h"

#include <array>

#include "base/errors.h"
#include "base/paths.h"
#include "jobs/job_files.h"
#include "mailstore/mailbox.h"
#include "platform/file.h"

namespace tavori {
namespace {

constexpr std::string_view kAttachmentMarker = "X-Becky-Attachment-File:";

// The lines of a text, split at CR LF, CR or LF; no empty line after a final line end.
std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        lines.emplace_back(text.substr(start, end - start));
        start = end;
        if (start < text.size() && text[start] == '\r') ++start;
        if (start < text.size() && text[start] == '\n') ++start;
    }
    return lines;
}

bool IsDeviceName(std::string_view component) {
    std::string base = UpperAscii(component.substr(0, component.find('.')));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
           base[3] >= '1' && base[3] <= '9';
}

// ".." and the forms Windows reads as "..", with trailing dots and blanks.
bool IsParentReference(std::string_view component) {
    while (!component.empty() && component.back() == ' ') component.remove_suffix(1);
    std::size_t dots = 0;
    for (char c : component) {
        if (c != '.') return false;
        ++dots;
    }
    return dots >= 2;
}

[[noreturn]] void RethrowForAttachment(const Error& e, const std::string& path) {
    // The name comes from the mail's header: a crafted one may be megabytes long.
    const std::string message =
        "添付メール \"" + QuoteExcerpt(path) + "\" を変換できません: " + e.what();
    if (dynamic_cast<const ConvertError*>(&e)) throw ConvertError(message);
    throw IoError(message);
}

}  // namespace

std::string AttachmentPath(const std::string& attachDir, const std::string& name) {
    if (name.empty() || name.find(':') != std::string::npos) return {};
    if (name.front() == '\\' || name.front() == '/') return {};
    const char sep = platform::FolderSeparator();
    std::string relative;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= name.size(); ++i) {
        const bool end = i == name.size();
        if (!end && IsSjisLeadByte(name[i])) {
            ++i;
            continue;
        }
        if (end || name[i] == '\\' || name[i] == '/') {
            const std::string_view component = std::string_view(name).substr(start, i - start);
            if (IsParentReference(component) || IsDeviceName(component)) return {};
            relative += component;
            if (!end) relative += sep;
            start = i + 1;
        }
    }
    return attachDir + relative;
}

ExportJob::ExportJob(std::string outputPath, std::vector<ExportSource> sources,
                     RecordOptions options, JobHost& host)
    : outputPath_(std::move(outputPath)),
      sources_(std::move(sources)),
      options_(std::move(options)),
      host_(host),
      undated_(host) {}

std::array<std::string_view, 4> ExportJob::Pieces(const MailMessage& message,
                                                  const std::string& file, int number,
                                                  RecordBuffers& buffers) {
    std::array<std::string_view, 4> pieces;
    try {
        pieces = BuildRecordPieces(message, options_, buffers);
    } catch (const DateError& e) {
        if (!undated_.Accept(file, number, e)) throw;
        pieces = BuildRecordPieces(message, options_, buffers, true);
    }
    if (options_.decode) unmapped_ += message.Unmapped(fieldNames_);
    return pieces;
}

void ExportJob::Run() {
    exportTotal_ = 0;
    attachTotal_ = 0;
    messagesWritten_ = 0;
    aborted_ = false;
    std::vector<std::string> inputs;
    for (const ExportSource& source : sources_) inputs.push_back(source.mailboxPath);
    CheckJobFiles(inputs, {outputPath_});

    auto ren = std::move(CreateJobOutputs(inputs, {outputPath_}).front());
    TMailBox mailbox;
    for (const ExportSource& source : sources_) {
        if (!ConvertMailbox(source, mailbox, *ren) || host_.AbortRequested()) {
            aborted_ = true;
            break;
        }
    }
    ren->Close();
}

bool ExportJob::ConvertMailbox(const ExportSource& source, TMailBox& mailbox,
                               platform::OutputFile& ren) {
    struct Closer {  // the mailbox file is closed on every way out
        TMailBox& box;
        ~Closer() {
            try {
                box.Close();
            } catch (...) {
            }
        }
    } closer{mailbox};

    mailbox.Open(source.mailboxPath, 0,
                 {.form = options_.decode ? MessageForm::kDecoded : MessageForm::kMailbox,
                  .fields = {fieldNames_, std::string(kAttachmentMarker)}});
    host_.SetProgressText("ファイル:" + FileNameOf(source.mailboxPath) + " を変換中...");
    host_.SetProgressMaximum(mailbox.GetFileSize());
    TMailBox attached;
    std::optional<platform::FolderBound> attachFolder;  // resolved at the first attachment
    int count = 0;
    int attachCount = 0;
    RecordBuffers buffers;                   // reused from message to message
    std::array<std::string_view, 4> pieces;  // of the record, the body where it lies
    while (!mailbox.AtEnd()) {
        try {
            if (!mailbox.ReadMessage()) continue;
            pieces = Pieces(mailbox.Message(), source.mailboxPath, count + 1, buffers);
        } catch (const Error& e) {
            RethrowForMessage(e, source.mailboxPath, count + 1, "を変換できません");
        }
        host_.SetProgressPosition(mailbox.BytesRead());
        // Gathered where the pieces lie; a failed write names the REN file itself.
        ren.Gather({pieces[0], pieces[1], pieces[2], pieces[3]});
        ++messagesWritten_;
        attachCount += ExportAttachments(source, mailbox, attached, attachFolder, ren);
        ++count;
        host_.ShowFigures(
            ExportFigures{count, exportTotal_ + count, attachCount, options_.decode, unmapped_});
        host_.ProcessPendingEvents();
        if (host_.AbortRequested()) {
            ren.Flush();  // every record counted so far is in the file before the stop
            attachTotal_ += attachCount;
            return false;
        }
    }
    exportTotal_ += count;
    attachTotal_ += attachCount;
    return true;
}

int ExportJob::ExportAttachments(const ExportSource& source, const TMailBox& mailbox,
                                 TMailBox& attached, std::optional<platform::FolderBound>& folder,
                                 platform::OutputFile& ren) {
    const std::string names = mailbox.CollectField(kAttachmentMarker);
    if (names.empty()) return 0;
    int exported = 0;
    for (const std::string& line : SplitLines(names)) {
        if (UpperAscii(ExtensionOf(line)) != ".EML") continue;
        std::string path = AttachmentPath(source.attachDir, line);
        if (path.empty()) continue;
        if (!platform::IsRegularFile(path)) {
            // The usual form has a blank after the colon; the file's name has none.
            const std::string trimmed(TrimWhite(line));
            if (trimmed == line) continue;
            path = AttachmentPath(source.attachDir, trimmed);
            if (path.empty() || !platform::IsRegularFile(path)) continue;
        }
        // A link or junction inside the folder must not lead the export out of it: the file
        // is opened, and then where the open file lies is checked.
        if (!folder) folder.emplace(source.attachDir);
        std::unique_ptr<platform::InputFile> file;
        try {
            file = platform::InputFile::OpenIfExists(path);
        } catch (const Error& e) {
            if (!folder->Holds(path)) continue;  // outside: neither read nor reported
            RethrowForAttachment(e, path);
        }
        if (!file || !folder->Holds(*file)) continue;
        std::string record;
        try {
            attached.Open(std::move(file), {.form = options_.decode ? MessageForm::kDecoded
                                                                    : MessageForm::kMailbox});
            if (attached.Opened() && attached.ReadMessage()) {
                RecordBuffers buffers;
                for (std::string_view piece : Pieces(attached.Message(), path, 1, buffers))
                    record += piece;
            }
            attached.Close();
        } catch (const Error& e) {
            attached.Close();
            RethrowForAttachment(e, path);
        }
        if (record.empty()) continue;
        ren.Gather(record);
        ++exported;
    }
    return exported;
}

}  // namespace tavori
