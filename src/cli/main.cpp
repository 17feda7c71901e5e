// tavori: the command-line front end of the jobs. Exit status 0 on success, 1 when a job ends
// with an error (its message on stderr), 2 for a command line that cannot be used.
#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "platform/errors.h"

int main(int argc, char** argv) {
    tavori::cli::Context context;
    CLI::App app{"Tavori! - converts the mailboxes of the mail client (Shift-JIS text)", "tavori"};
    app.set_version_flag("--version", std::string("tavori ") + TAVORI_VERSION);
    app.require_subcommand(1);
    std::string encoding = "terminal";
    app.add_option("--encoding", encoding, "text output: terminal (default) or sjis (raw bytes)")
        ->check(CLI::IsMember({"terminal", "sjis"}));
    app.fallthrough();
    tavori::cli::AddShowCommand(app, context);
    tavori::cli::AddExportCommand(app, context);
    tavori::cli::AddUsersCommand(app, context);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : 2;
    }
    const auto sjis = encoding == "sjis" ? tavori::cli::OutputEncoding::kSjis
                                         : tavori::cli::OutputEncoding::kTerminal;
    context.out.SetEncoding(sjis);
    context.err.SetEncoding(sjis);
    int status = 0;
    try {
        for (const auto& verb : context.verbs)
            if (verb.command->parsed()) status = verb.run();
    } catch (const tavori::Error& e) {
        context.out.Flush();
        context.err.Line(std::string("tavori: ") + e.what());
        status = 1;
    }
    context.out.Flush();
    return status;
}
