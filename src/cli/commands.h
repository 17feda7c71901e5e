#pragma once
// The verbs of the command-line tool. Each adds its sub-command to the application and
// registers what runs when the command line named it; nothing runs while parsing.
#include <CLI/CLI.hpp>
#include <functional>
#include <string>
#include <vector>

#include "cli/output.h"

namespace tavori::cli {

struct Context {
    Output out{stdout, "標準出力"};
    Output err{stderr, "標準エラー出力"};
    bool verbose = false;  // --verbose: how far each file was read, on err
    struct Verb {
        CLI::App* command;
        std::function<int()> run;  // returns the exit status
    };
    std::vector<Verb> verbs;
};

void AddShowCommand(CLI::App& app, Context& context);
void AddExportCommand(CLI::App& app, Context& context);
void AddDedupeCommand(CLI::App& app, Context& context);
void AddUsersCommand(CLI::App& app, Context& context);
// import, html2text and cutout: the import and its two previews.
void AddImportCommands(CLI::App& app, Context& context);

// What is wrong with arg as the name of a mailbox file to create (empty, a folder), as the
// message CLI11 shows, or empty when nothing is.
std::string OutputMailboxProblem(const std::string& arg);

}  // namespace tavori::cli
