// tavori import, html2text and cutout: the import of outside files into a new mailbox, the
// same job the window runs, and the window's two previews (the text view and the cut-out
// test) as text on standard output.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/paths.h"
#include "cli/commands.h"
#include "cli/figures.h"
#include "cli/terminal_host.h"
#include "jobs/dedupe_job.h"
#include "jobs/import_job.h"
#include "mailstore/mail_message.h"
#include "platform/file.h"
#include "platform/text_codec.h"

namespace tavori::cli {
namespace {

constexpr const char* kExitStatus =
    "Exit status: 0 when every file was read (files that are no mail are named on stderr "
    "and skipped), 1 on an error or Ctrl-C, 2 for an unusable command line.";

// The begin and end strings as given; an option not given keeps the window's first value.
struct CutArgs {
    std::string begin, end;
    CLI::Option* beginOption = nullptr;
    CLI::Option* endOption = nullptr;

    CutOutStrings Strings() const {
        CutOutStrings strings;
        if (beginOption->count() > 0) strings.begin = platform::FromCommandLine(begin);
        if (endOption->count() > 0) strings.end = platform::FromCommandLine(end);
        return strings;
    }
    void Add(CLI::App& cmd) {
        beginOption = cmd.add_option("--begin", begin,
                                     "the text a mail begins with, kept (default \"Subject:\"; "
                                     "empty finds nothing)");
        // Help texts reach the terminal as they are: the Shift-JIS default is converted.
        endOption = cmd.add_option("--end", end,
                                   platform::ToTerminal("the text after a mail, left out "
                                                        "(default \"[前\"; empty or not found: "
                                                        "to the end of the page)"));
    }
};

struct ImportArgs {
    std::string output;
    bool html = false;
    bool force = false;
    CutArgs cut;
    std::vector<std::string> files;
};

// Text of the system as lines on the terminal; with --encoding sjis its bytes as they are, so
// that the cut-out's output is the very mailbox text the import writes.
void PrintText(Output& out, std::string_view text) {
    if (out.Encoding() == OutputEncoding::kSjis) {
        out.Write(text);
        return;
    }
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        out.Line(text.substr(0, end));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + (text.substr(end, 2) == "\r\n" ? 2 : 1));
    }
}

int RunImport(const ImportArgs& args, Context& context) {
    ImportOptions options;
    options.targetPath = MailboxFileName(platform::FromCommandLine(args.output));
    options.type = args.html ? ImportFileType::kHtml : ImportFileType::kTextMail;
    options.strings = args.cut.Strings();
    std::vector<ImportFile> files;
    for (const std::string& arg : args.files) {
        std::string path = platform::FromCommandLine(arg);
        files.push_back({path, path});  // the path as given tells files of one name apart
    }
    options.listEntries = static_cast<int>(files.size());

    TerminalHost host(context.err, context.verbose);
    host.AllowReplacing(args.force);
    ImportJob job(std::move(files), options, host);
    host.Run([&job] { job.Run(); });
    if (job.Aborted()) context.err.Line("中断しました: それまでのメールは書き込まれています");
    context.out.Line(options.targetPath);
    PrintImportFigures(context.out, job.MailsWritten(), job.NotMails());
    return job.Aborted() ? 1 : 0;
}

int RunCutOut(const CutArgs& cut, const std::vector<std::string>& args, Context& context) {
    const CutOutStrings strings = cut.Strings();
    TerminalHost host(context.err, context.verbose);
    for (const std::string& arg : args) {
        const std::string path = platform::FromCommandLine(arg);
        const MailMessage mail(MailTextOf(ReadImportText(path, ImportFileType::kHtml),
                                          ImportFileType::kHtml, strings));
        if (mail.HasHeader()) {
            PrintText(context.out, mail.ToMailboxText());
        } else {
            context.out.Flush();  // the warning stands where the mail would have
            host.Warn(NotAMailWarning(path));
        }
    }
    return 0;
}

// -o names the mailbox file: "" or a folder would only give a ".mbx" inside or beside it.
void AddImport(CLI::App& app, Context& context) {
    auto args = std::make_shared<ImportArgs>();
    auto* cmd = app.add_subcommand(
        "import",
        "Make each file one mail of a new mailbox: text mails (.txt, .eml), or with "
        "--html the mail cut out of an HTML page");
    cmd->add_option("-o,--output", args->output, "the new mailbox (its extension becomes .mbx)")
        ->required()
        ->check(OutputMailboxProblem, "FILE");
    cmd->add_flag("--force", args->force, "replace an existing mailbox that holds mails");
    auto* html = cmd->add_flag("--html", args->html,
                               "the files are HTML pages: cut each mail out of the page's text");
    args->cut.Add(*cmd);
    args->cut.beginOption->needs(html);
    args->cut.endOption->needs(html);
    cmd->add_option("FILE", args->files, "the files, imported in this order")->required();
    cmd->footer(kExitStatus);
    context.verbs.push_back({cmd, [args, &context] { return RunImport(*args, context); }});
}

void AddHtmlToText(CLI::App& app, Context& context) {
    auto file = std::make_shared<std::string>();
    auto* cmd = app.add_subcommand(
        "html2text", "Print the plain text of an HTML page, from which import --html cuts a mail");
    cmd->add_option("FILE", *file, "the HTML page")->required();
    context.verbs.push_back(
        {cmd, [file, &context] {
             const std::string path = platform::FromCommandLine(*file);
             PrintText(context.out, PlainTextOf(ReadImportText(path, ImportFileType::kHtml)));
             return 0;
         }});
}

void AddCutOut(CLI::App& app, Context& context) {
    struct CutOutArgs {
        CutArgs cut;
        std::vector<std::string> files;
    };
    auto args = std::make_shared<CutOutArgs>();
    auto* cmd = app.add_subcommand(
        "cutout", "Try the cut-out: print each page's mail as import --html would write it");
    args->cut.Add(*cmd);
    cmd->add_option("FILE", args->files, "HTML pages")->required();
    cmd->footer(kExitStatus);
    context.verbs.push_back(
        {cmd, [args, &context] { return RunCutOut(args->cut, args->files, context); }});
}

}  // namespace

void AddImportCommands(CLI::App& app, Context& context) {
    AddImport(app, context);
    AddHtmlToText(app, context);
    AddCutOut(app, context);
}

}  // namespace tavori::cli
