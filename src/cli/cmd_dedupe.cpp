// tavori dedupe: the duplicate cleanup from the command line, the same job the window runs.
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/paths.h"
#include "cli/commands.h"
#include "cli/figures.h"
#include "cli/terminal_host.h"
#include "jobs/dedupe_job.h"
#include "platform/date_value.h"
#include "platform/file.h"
#include "platform/text_codec.h"

namespace tavori::cli {
namespace {

struct DedupeArgs {
    std::string unique;
    std::string duplicate;
    bool dryRun = false;
    bool force = false;
    bool keepGoing = false;
    std::vector<std::string> mailboxes;
};

// The page's texts, their "\n" as line ends; nothing for an empty text.
std::string FormatStamp(double value) {
    const DateTimeParts p = DecodeDateTime(value);
    char text[32];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", p.year, p.month, p.day,
                  p.hour, p.minute, p.second);
    return text;
}

// One block per repeated pair: its date and subject, then each copy as
// "<TAB>残す|余分<TAB>mailbox<TAB>number".
void PrintPlan(const std::vector<DedupeJob::Pair>& plan, Output& out) {
    for (const DedupeJob::Pair& pair : plan) {
        out.Line(FormatStamp(pair.date) + "\t" + pair.subject);
        for (const DedupeJob::Copy& copy : pair.copies)
            out.Line(std::string("\t") + (copy.kept ? "残す" : "余分") + "\t" + copy.mailbox +
                     "\t" + std::to_string(copy.number));
    }
}

int RunDedupe(const DedupeArgs& args, Context& context) {
    DedupeOptions options;
    options.uniquePath = MailboxFileName(platform::FromCommandLine(args.unique));
    if (!args.duplicate.empty())
        options.duplicatePath = MailboxFileName(platform::FromCommandLine(args.duplicate));
    std::vector<std::string> mailboxes;
    for (const std::string& arg : args.mailboxes)
        mailboxes.push_back(platform::FromCommandLine(arg));

    TerminalHost host(context.err, context.verbose);
    host.AllowReplacing(args.force);
    host.AllowUndated(args.keepGoing);
    DedupeJob job(std::move(mailboxes), options, host);
    host.Run([&] { args.dryRun ? job.Scan() : job.Run(); });
    host.ReportUndated(job.Undated());
    PrintDedupeFigures(context.out, job.Figures());
    if (job.Aborted()) {
        context.err.Line(job.OutputCount() > 0
                             ? "中断しました: それまでのメールは書き込まれています"
                             : "中断しました: ファイルは作っていません");
    } else if (args.dryRun) {
        PrintPlan(job.Plan(), context.out);
    }
    if (job.OutputCount() >= 0) {
        context.out.Line(options.uniquePath);
        if (!options.duplicatePath.empty()) context.out.Line(options.duplicatePath);
    }
    return job.Aborted() ? 1 : 0;
}

// An output names a mailbox file: "" or a folder would only give a ".mbx" inside or beside it.
}  // namespace

std::string OutputMailboxProblem(const std::string& arg) {
    const std::string name = platform::FromCommandLine(arg);
    if (name.empty()) return platform::ToTerminal("ファイル名が空です");
    if (FileNameStart(name) == name.size() || platform::KindOf(name) == platform::FileKind::kFolder)
        return platform::ToTerminal(
            "フォルダーではなくメールボックス ファイルの名前を指定してください");
    return {};
}

void AddDedupeCommand(CLI::App& app, Context& context) {
    auto args = std::make_shared<DedupeArgs>();
    auto* cmd = app.add_subcommand(
        "dedupe", "Copy mailbox files into one, keeping one copy of each repeated mail");
    cmd->add_option("-o,--output", args->unique,
                    "the new mailbox of unique mails (its extension becomes .mbx)")
        ->required()
        ->check(OutputMailboxProblem, "FILE");
    cmd->add_option("--dup", args->duplicate,
                    "also write the surplus copies into this new mailbox (extension .mbx)")
        ->check(OutputMailboxProblem, "FILE");
    cmd->add_flag("--force", args->force, "replace existing mailboxes that hold mails");
    cmd->add_flag("--keep-going", args->keepGoing,
                  "take a mail whose Date is no date as one without a date (never a copy), "
                  "name it on the error output and go on");
    cmd->add_flag("--dry-run", args->dryRun,
                  "only read: list each repeated mail's copies, which is kept and which is "
                  "surplus");
    cmd->add_option("MAILBOX", args->mailboxes,
                    "mailbox files (.mbx); of the copies, the first in this order is kept")
        ->required();
    context.verbs.push_back({cmd, [args, &context] { return RunDedupe(*args, context); }});
}

}  // namespace tavori::cli
