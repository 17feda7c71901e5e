// tavori show MAILBOX...: one line per message, so a mailbox can be checked from a terminal.
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/terminal_host.h"
#include "mailstore/file_names.h"
#include "mailstore/mail_date.h"
#include "mailstore/mailbox.h"
#include "platform/errors.h"
#include "platform/text_codec.h"

namespace tavori::cli {
namespace {

std::string FormatStamp(double value) {
    if (value == 0) return "不明";
    DateTimeParts p = DecodeDateTime(value);
    char text[32];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", p.year, p.month, p.day,
                  p.hour, p.minute, p.second);
    return text;
}

// progress: where --verbose reports the bytes read against the file size, else nullptr.
void ShowMailbox(const std::string& path, Output& out, Output* progress) {
    TMailBox box;
    box.Open(path);
    if (!box.Opened()) throw IoError(PathError(path, "はありません"));
    box.SetBodyWanted(false);  // the listing shows header fields only
    const std::string name = FileNameOf(path);
    long long number = 0;
    while (!box.AtEnd()) {
        const std::uint64_t offset = box.BytesRead();
        if (!box.ReadMessage()) continue;
        ++number;
        std::string stamp;
        try {
            stamp = FormatStamp(box.GetDate());
        } catch (const ConvertError& e) {
            stamp = e.what();
        }
        out.Line(name + "\t" + std::to_string(number) + "\t" + std::to_string(offset) + "\t" +
                 stamp + "\t" + box.GetField("From:") + "\t" + box.GetField("Subject:"));
    }
    if (progress) ReportProgress(*progress, "ファイル:" + name, box.BytesRead(), box.GetFileSize());
    box.Close();
}

}  // namespace

void AddShowCommand(CLI::App& app, Context& context) {
    auto* cmd = app.add_subcommand(
        "show", "List the messages of mailbox files: file, number, offset, date, From, Subject");
    auto paths = std::make_shared<std::vector<std::string>>();
    cmd->add_option("MAILBOX", *paths, "mailbox files (.mbx)")->required();
    context.verbs.push_back({cmd, [paths, &context] {
                                 for (const std::string& arg : *paths)
                                     ShowMailbox(platform::FromCommandLine(arg), context.out,
                                                 context.verbose ? &context.err : nullptr);
                                 return 0;
                             }});
}

}  // namespace tavori::cli
