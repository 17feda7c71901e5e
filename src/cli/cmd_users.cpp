// tavori users: the mail client's users, their folder trees and mailbox files, read the way
// the window shows them, so a mailbox path can be copied into tavori export.
#include <memory>
#include <string>

#include "base/paths.h"
#include "cli/commands.h"
#include "mailstore/profile.h"
#include "platform/file.h"
#include "platform/registry.h"
#include "platform/text_codec.h"

namespace tavori::cli {
namespace {

struct UsersArgs {
    std::string home;
    std::string registry;
};

// Lists node (which adds its sub-folders), prints it with its mailbox files, then its children.
void PrintNode(MailProfile& profile, TreeNode& node, Output& out) {
    const std::string indent(static_cast<std::size_t>(node.level) * 2, ' ');
    std::string line = indent + node.text;
    if (node.level == 1) line += " (User" + std::to_string(node.userNumber) + ")";
    if (node.unopenable) line += "\t(名前に Shift-JIS にない文字があるため開けません)";
    out.Line(line);
    profile.ListFolders(&node);
    for (const FolderRow& row : profile.Rows())
        out.Line(indent + "  " + row.caption + "\t" + row.sizeText + "\t" + row.dateText + "\t" +
                 profile.MailboxPath(&node, row));
    if (profile.UnopenableMailboxes() > 0)
        out.Line(indent + "  (名前に Shift-JIS にない文字があるため開けないメールボックス: " +
                 std::to_string(profile.UnopenableMailboxes()) + " 個)");
    for (auto& child : node.children) PrintNode(profile, *child, out);
}

int RunUsers(const UsersArgs& args, Context& context) {
    const std::string home =
        WithFinalSeparator(platform::FromCommandLine(args.home), platform::FolderSeparator());
    auto registry = args.registry.empty()
                        ? platform::OpenUserRegistry()
                        : platform::OpenWineRegistryFile(platform::FromCommandLine(args.registry));
    MailProfile profile;
    profile.ReadStartup(*registry, home);
    context.out.Line("HomeDir: " + profile.HomeDir());
    PrintNode(profile, profile.Root(), context.out);
    return 0;
}

}  // namespace

void AddUsersCommand(CLI::App& app, Context& context) {
    auto args = std::make_shared<UsersArgs>();
    auto* cmd = app.add_subcommand("users", "List the mail client's users, folders and mailboxes");
    cmd->add_option("--home", args->home, "the data folder, instead of the registry's HomeDir");
    cmd->add_option("--registry", args->registry,
                    "read the users from this Wine registry file (user.reg format)");
    context.verbs.push_back({cmd, [args, &context] { return RunUsers(*args, context); }});
}

}  // namespace tavori::cli
