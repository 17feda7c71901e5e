#pragma once
// The import of outside files into a new mailbox: each file gives at most one mail, its whole
// text (text mails and .eml files) or the mail cut out of an HTML page between a begin and an
// end string. The files are only read.
#include <string>
#include <string_view>
#include <vector>

#include "jobs/job_host.h"

namespace tavori {

enum class ImportFileType { kTextMail = 0, kHtml = 1 };

struct CutOutStrings {
    std::string begin = "Subject:";
    std::string end = "[前";
};

// The text of a file as the import and both previews read it.
struct ImportText {
    // Lines ended by CR LF, a lone LF or a lone CR, each joined again with CR LF, up to the
    // first NUL byte.
    std::string text;
    bool endedAtNul = false;  // a NUL byte ended the text before the end of the file
    // The text was converted to Shift-JIS from UTF-8, UTF-16 or the charset a page names;
    // else its bytes are as the file holds them, in any of the Japanese encodings.
    bool sjis = false;
    std::size_t unmapped = 0;  // characters Shift-JIS lacks, each written as "〓"
};

// Reads a file of the type: a byte-order mark (UTF-8, UTF-16), a page's <meta> charset and
// UTF-8 text are converted to Shift-JIS; other text, a .eml file and a text mail whose header
// names its charset keep their bytes. Throws an error naming the file when it cannot be read,
// or when it is larger than 256 MB.
ImportText ReadImportText(const std::string& path, ImportFileType type);

// The plain text of a page read by ReadImportText (what the text preview shows).
std::string PlainTextOf(ImportText page);

// The mail cut out of a page's plain text: from the first occurrence of the begin string
// (never found when empty) up to the first occurrence of the end string from there on,
// trimmed of bytes up to 0x20 at both ends; "" when the begin string is not found.
std::string CutMail(std::string_view text, const CutOutStrings& strings);

// The mail text of a file's text for a file type: the trimmed text, or the mail cut out of
// the page's plain text.
std::string MailTextOf(ImportText text, ImportFileType type, const CutOutStrings& strings);

// The warning for a file whose mail text is no mail: name + "\r\nメールの形式が間違っています".
std::string NotAMailWarning(const std::string& entryName);
// The warning for a file whose text a NUL byte ended before the end of the file.
std::string NulWarning(const std::string& entryName);
// The warning for a file whose text held characters that Shift-JIS lacks.
std::string UnmappedWarning(const std::string& entryName, std::size_t count);

// A file to import: where it is, and the name the user sees in the list (used in texts).
struct ImportFile {
    std::string path;
    std::string name;
};

struct ImportOptions {
    std::string targetPath;  // the new mailbox, created anew (replacing mails only if the host
                             // confirms it)
    ImportFileType type = ImportFileType::kTextMail;
    CutOutStrings strings;
    int listEntries = 0;  // the progress maximum: every entry of the list, selected or not
};

// The host learns of a file that is no mail through Warn(NotAMailWarning(name)); the run then
// goes on with the next file.
class ImportJob {
  public:
    ImportJob(std::vector<ImportFile> files, ImportOptions options, JobHost& host);

    // Checks the files (a target that is one of the files is a SameFileError, a file over
    // 256 MB an error, a target with mails that the host would not replace ReplaceDeclined,
    // each before anything is created), creates the target and writes each file's mail flushed
    // at once; a file that a NUL byte ends early is warned of and imported up to it, and one
    // whose mail got "〓" for characters Shift-JIS lacks is warned of once. Errors end
    // the run as exceptions naming the file; the mails written before stay, the target is
    // closed on every way out. An abort ends it after the current file.
    void Run();

    int MailsWritten() const { return mailsWritten_; }
    int NotMails() const { return notMails_; }
    bool Aborted() const { return aborted_; }

  private:
    std::vector<ImportFile> files_;
    ImportOptions options_;
    JobHost& host_;
    int mailsWritten_ = 0;
    int notMails_ = 0;
    bool aborted_ = false;
};

}  // namespace tavori
