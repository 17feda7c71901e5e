// tavori show MAILBOX...: one line per message, so a mailbox can be checked from a terminal.
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "base/errors.h"
#include "base/paths.h"
#include "cli/commands.h"
#include "cli/terminal_host.h"
#include "mailstore/mail_date.h"
#include "mailstore/mailbox.h"
#include "platform/text_codec.h"

namespace tavori::cli {
namespace {

// n with leading zeros up to width digits, as "%0*d" writes it.
void AppendPadded(std::string& text, int n, int width) {
    char digits[16];
    if (n < 0 || n >= 10000) {  // not in a date the reader makes; written as the formatter would
        const int size = std::snprintf(digits, sizeof digits, "%0*d", width, n);
        text.append(digits, static_cast<std::size_t>(size));
        return;
    }
    char* const end = digits + sizeof digits;
    char* p = end;
    do {
        *--p = static_cast<char>('0' + n % 10);
        n /= 10;
    } while (n > 0);
    while (end - p < width) *--p = '0';
    text.append(p, end);
}

void AppendStamp(std::string& text, double value) {
    if (value == 0) {
        text += "不明";
        return;
    }
    const DateTimeParts p = DecodeDateTime(value);
    AppendPadded(text, p.year, 4);
    text += '/';
    AppendPadded(text, p.month, 2);
    text += '/';
    AppendPadded(text, p.day, 2);
    text += ' ';
    AppendPadded(text, p.hour, 2);
    text += ':';
    AppendPadded(text, p.minute, 2);
    text += ':';
    AppendPadded(text, p.second, 2);
}

void AppendNumber(std::string& text, std::uint64_t n) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, n);
    text.append(digits, result.ptr);
}

// progress: where --verbose reports the bytes read against the file size, else nullptr.
// decode: the fields as the export's decoding mode reads them.
void ShowMailbox(const std::string& path, bool decode, Output& out, Output* progress) {
    TMailBox box;
    // The listing shows header fields only.
    box.Open(path, 0,
             {.body = false,
              .form = decode ? MessageForm::kDecoded : MessageForm::kMailbox,
              .fields = {{"Date:", "From:", "Subject:"}, {}}});
    if (!box.Opened()) throw IoError(PathError(path, "はありません"));
    const std::string name = FileNameOf(path);
    std::uint64_t number = 0;
    std::string line;  // one buffer for every line of the listing
    while (!box.AtEnd()) {
        const std::uint64_t offset = box.BytesRead();
        if (!box.ReadMessage()) continue;
        ++number;
        line.assign(name);
        line += '\t';
        AppendNumber(line, number);
        line += '\t';
        AppendNumber(line, offset);
        line += '\t';
        try {
            AppendStamp(line, box.GetDate());
        } catch (const ConvertError& e) {
            line += e.what();
        }
        line += '\t';
        line += box.FieldView("From:");
        line += '\t';
        line += box.FieldView("Subject:");
        out.Line(line);
    }
    if (progress) ReportProgress(*progress, "ファイル:" + name, box.BytesRead(), box.GetFileSize());
    box.Close();
}

}  // namespace

void AddShowCommand(CLI::App& app, Context& context) {
    auto* cmd = app.add_subcommand(
        "show", "List the messages of mailbox files: file, number, offset, date, From, Subject");
    auto paths = std::make_shared<std::vector<std::string>>();
    auto decode = std::make_shared<bool>(false);
    cmd->add_flag("--decode", *decode,
                  "decode MIME encoded words of every charset and read more forms of dates");
    cmd->add_option("MAILBOX", *paths, "mailbox files (.mbx)")->required();
    context.verbs.push_back({cmd, [paths, decode, &context] {
                                 for (const std::string& arg : *paths)
                                     ShowMailbox(platform::FromCommandLine(arg), *decode,
                                                 context.out,
                                                 context.verbose ? &context.err : nullptr);
                                 return 0;
                             }});
}

}  // namespace tavori::cli
