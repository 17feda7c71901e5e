// tavori: the command-line front end of the jobs. Exit status 0 on success, 1 when a job ends
// with an error (its message on stderr), 2 for a command line that cannot be used.
#include <cstdio>
#include <string>

#include "base/errors.h"
#include "cli/commands.h"
#include "platform/text_codec.h"

namespace tavori::cli {
namespace {

constexpr int kUsageStatus = 2;

// Paths and names become the system's Shift-JIS text: an argument with a character outside it
// could name no file the mail client wrote, so it is refused before anything runs.
bool ArgumentsFit(int argc, char** argv, Output& err) {
    for (int i = 1; i < argc; ++i) {
        try {
            platform::FromCommandLine(argv[i]);
        } catch (const ConvertError&) {
            err.Write("tavori: 引数 \"");
            err.WriteNative(argv[i]);
            err.Line("\" に Shift-JIS で表せない文字があります");
            return false;
        }
    }
    return true;
}

// No verb, or one the tool does not know: what went wrong and a line naming the verbs, where
// the parser would only say that a subcommand is required.
int VerbMissing(const CLI::App& app, Output& err) {
    const auto rest = app.remaining();
    if (rest.empty()) {
        err.Line("tavori: コマンドがありません");
    } else {
        err.Write("tavori: \"");
        err.WriteNative(rest.front());
        err.Line(rest.front().starts_with('-') ? "\" というオプションはありません"
                                               : "\" というコマンドはありません");
    }
    err.Line(
        "使い方: tavori [--encoding terminal|sjis] "
        "show|export|dedupe|import|html2text|cutout|users ...  (説明は tavori --help)");
    return kUsageStatus;
}

int Run(int argc, char** argv, Context& context) {
    CLI::App app{"Tavori! - converts the mailboxes of the mail client (Shift-JIS text)", "tavori"};
    app.set_version_flag("--version", std::string("tavori ") + TAVORI_VERSION);
    app.require_subcommand(1);
    std::string encoding = "terminal";
    app.add_option("--encoding", encoding, "text output: terminal (default) or sjis (raw bytes)")
        ->check(CLI::IsMember({"terminal", "sjis"}));
    app.add_flag("-v,--verbose", context.verbose,
                 "on the error output, how far each file was read (bytes read / file size)");
    app.fallthrough();
    AddShowCommand(app, context);
    AddExportCommand(app, context);
    AddDedupeCommand(app, context);
    AddImportCommands(app, context);
    AddUsersCommand(app, context);
    if (!ArgumentsFit(argc, argv, context.err)) return kUsageStatus;
    try {
        app.parse(argc, argv);
    } catch (const CLI::RequiredError& e) {
        if (app.get_subcommands().empty()) return VerbMissing(app, context.err);
        return app.exit(e) == 0 ? 0 : kUsageStatus;
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : kUsageStatus;
    }
    const auto sjis = encoding == "sjis" ? OutputEncoding::kSjis : OutputEncoding::kTerminal;
    context.out.SetEncoding(sjis);
    context.err.SetEncoding(sjis);
    int status = 0;
    for (const auto& verb : context.verbs)
        if (verb.command->parsed()) status = verb.run();
    return status;
}

}  // namespace
}  // namespace tavori::cli

int main(int argc, char** argv) try {
    // A listing sent to a file or a pipe goes out in big blocks: the C library's few kilobytes
    // would cost a system call for every few dozen lines of a big mailbox.
    // (The buffer is given: some C libraries take the size only along with one.)
    static char stdoutBuffer[64 * 1024];
    if (!tavori::platform::IsTerminal(stdout))
        std::setvbuf(stdout, stdoutBuffer, _IOFBF, sizeof stdoutBuffer);
    tavori::cli::Context context;
    return tavori::cli::RunReportingFailures(context.out, context.err, [argc, argv, &context] {
        return tavori::cli::Run(argc, argv, context);
    });
} catch (...) {
    // Only before the guard is in place (no memory for the first objects).
    std::fputs("tavori: out of memory\n", stderr);
    return 1;
}
