// tavori export: the export job from the command line, the same job the window runs.
#include <memory>
#include <string>
#include <vector>

#include "base/errors.h"
#include "base/paths.h"
#include "cli/commands.h"
#include "cli/figures.h"
#include "cli/terminal_host.h"
#include "jobs/export_job.h"
#include "mailstore/profile.h"
#include "platform/file.h"
#include "platform/locale.h"
#include "platform/registry.h"
#include "platform/text_codec.h"

namespace tavori::cli {
namespace {

// The data folder the mailboxes' users live in, for their Attach folders: --home, else the
// registry's HomeDir as tavori users reads it. A registry that cannot be read only costs the
// help it gives in finding the Attach folders; it does not stop the export.
std::string HomeDirFor(const std::string& given) {
    std::string home = platform::FromCommandLine(given);
    if (home.empty()) {
        try {
            return MailProfile::ReadHomeDir(*platform::OpenUserRegistry());
        } catch (const Error&) {
            return {};
        }
    }
    return WithFinalSeparator(home, platform::FolderSeparator());
}

struct ExportArgs {
    std::string output;
    int width = 40;  // the window's width until it is changed
    bool refs = false;
    bool decode = false;
    bool keepGoing = false;
    std::string attachDir;
    std::string home;
    std::vector<std::string> mailboxes;
};

int RunExport(const ExportArgs& args, Context& context) {
    const std::string output = RenFileName(platform::FromCommandLine(args.output));
    const std::string attachDir =
        WithFinalSeparator(platform::FromCommandLine(args.attachDir), platform::FolderSeparator());
    const std::string home = attachDir.empty() ? HomeDirFor(args.home) : "";
    std::vector<ExportSource> sources;
    for (const std::string& arg : args.mailboxes) {
        std::string path = platform::FromCommandLine(arg);
        std::string dir = attachDir.empty() ? UserAttachDir(path, home) : attachDir;
        sources.push_back({std::move(path), std::move(dir)});
    }
    RecordOptions options;
    options.width = args.width;
    options.hyperRef = args.refs;
    options.decode = args.decode;
    options.dateSeparator = platform::DateSeparator();
    options.timeSeparator = platform::TimeSeparator();

    TerminalHost host(context.err, context.verbose);
    host.AllowUndated(args.keepGoing);
    ExportJob job(output, std::move(sources), options, host);
    host.Run([&job] { job.Run(); });
    host.ReportUndated(job.Undated());
    if (job.Aborted()) context.err.Line("中断しました: それまでの記録は書き込まれています");
    context.out.Line(output);
    PrintExportFigures(context.out, job.MessagesWritten(), job.AttachTotal());
    if (args.decode) PrintUnmapped(context.out, job.Unmapped());
    return job.Aborted() ? 1 : 0;
}

// -o names the REN file itself: "" or a folder would only give a ".REN" inside or beside it.
// The message goes out through the parser, in the terminal's encoding.
std::string OutputNameProblem(const std::string& arg) {
    const std::string name = platform::FromCommandLine(arg);
    if (name.empty()) return platform::ToTerminal("ファイル名が空です");
    if (FileNameStart(name) == name.size() || platform::KindOf(name) == platform::FileKind::kFolder)
        return platform::ToTerminal("フォルダーではなく REN ファイルの名前を指定してください");
    return {};
}

}  // namespace

void AddExportCommand(CLI::App& app, Context& context) {
    auto args = std::make_shared<ExportArgs>();
    auto* cmd = app.add_subcommand("export", "Export mailbox files to one REN file");
    cmd->add_option("-o,--output", args->output, "the REN file (its extension becomes .REN)")
        ->required()
        ->check(OutputNameProblem, "FILE");
    cmd->add_option("--width", args->width,
                    "columns per line written to each record (40-255, default 40)")
        ->check(CLI::Range(40, 255));
    cmd->add_flag("--refs", args->refs, "repeat the referenced ids in the body");
    cmd->add_flag("--decode", args->decode,
                  "decode MIME: encoded words of every charset, base64 and quoted-printable "
                  "bodies, the text part of multipart mails (the mailbox files are unchanged)");
    cmd->add_flag("--keep-going", args->keepGoing,
                  "write a mail whose Date is no date without a date, name it on the error "
                  "output and go on");
    cmd->add_option("--attach-dir", args->attachDir,
                    "the attachments folder (default: the Attach folder of the mailbox's user)");
    cmd->add_option("--home", args->home,
                    "the data folder holding the User<n> folders, instead of the registry's "
                    "HomeDir (finds the default attachments folder)");
    cmd->add_option("MAILBOX", args->mailboxes, "mailbox files (.mbx), exported in this order")
        ->required();
    context.verbs.push_back({cmd, [args, &context] { return RunExport(*args, context); }});
}

}  // namespace tavori::cli
