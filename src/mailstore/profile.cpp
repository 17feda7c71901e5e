#include "mailstore/profile.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string_view>
#include <utility>

#include "base/errors.h"
#include "base/paths.h"
#include "platform/dir_list.h"
#include "platform/file.h"
#include "platform/locale.h"
#include "platform/registry.h"

namespace tavori {

bool IsReservedFolder(const std::string& name) {
    const std::string upper = UpperAscii(name);
    for (const char* reserved : {".", "..", "ATTACH", "INBOX", "OUTBOX", "TRASH"})
        if (upper == reserved) return true;
    return false;
}

TreeNode* FindChildNode(const TreeNode* parent, const std::string& name) {
    if (!parent) return nullptr;
    for (const auto& child : parent->children)
        if (child->text == name) return child.get();
    return nullptr;
}

MailProfile::MailProfile() : MailProfile(platform::SystemDirectories()) {}

MailProfile::MailProfile(const platform::DirectoryLister& directories)
    : directories_(&directories) {
    root_.text = "Becky!";
}

std::string MailProfile::ReadHomeDir(const platform::Registry& registry) {
    auto settings = registry.OpenKey(kSettingsKey);
    if (!settings) return {};
    return platform::FolderPathFromRegistry(settings->ReadString("HomeDir"));
}

void MailProfile::ReadStartup(const platform::Registry& registry, const std::string& homeOverride) {
    homeDir_ = homeOverride.empty() ? ReadHomeDir(registry) : homeOverride;
    for (int n = 0; n < kMaxUsers; ++n) {
        auto key = registry.OpenKey(kUsersKey + std::to_string(n));
        if (!key || !key->HasValue("Account")) continue;
        const std::string account = key->ReadString("Account");
        if (account.empty()) continue;
        auto node = std::make_unique<TreeNode>();
        node->text = account;
        node->parent = &root_;
        node->level = 1;
        node->userNumber = n;
        node->image = node->selectedImage = node->stateImage = kImageMailTray;
        root_.children.push_back(std::move(node));
    }
    root_.expanded = true;
}

bool MailProfile::GetFolderPath(const TreeNode* node, std::string& path) {
    if (!node) return false;
    const std::string sep(1, platform::FolderSeparator());
    std::string folders;
    while (node->level > 1) {
        folders.insert(0, sep).insert(0, node->text);
        node = node->parent;
    }
    std::string user = homeDir_;
    user.append("User").append(std::to_string(node->userNumber)).append(sep);
    attachDir_ = user;
    attachDir_.append("Attach").append(sep);
    path = std::move(user);
    path += folders;
    return true;
}

void MailProfile::ListFolders(TreeNode* node) {
    rows_.clear();
    unopenableMailboxes_ = 0;
    if (!node || node->level == 0 || node->unopenable) return;
    std::string path;
    GetFolderPath(node, path);

    const std::string sep(1, platform::FolderSeparator());
    std::optional<std::vector<platform::FileId>> chain;  // asked for once a new folder shows
    for (const platform::DirEntry& entry : directories_->List(path, "*.*", true)) {
        if (IsReservedFolder(entry.name) || !entry.directory) continue;
        if (FindChildNode(node, entry.name)) continue;
        if (!entry.unopenable && !chain) chain = FolderChain(node, path);
        if (!entry.unopenable) {
            const auto id =
                directories_->Identity(std::string(path).append(entry.name).append(sep));
            if (id && std::find(chain->begin(), chain->end(), *id) != chain->end()) continue;
        }
        auto child = std::make_unique<TreeNode>();
        child->text = entry.name;
        child->unopenable = entry.unopenable;
        child->parent = node;
        child->level = node->level + 1;
        child->image = child->stateImage = kImageFolderClosed;
        child->selectedImage = kImageFolderOpen;
        node->children.push_back(std::move(child));
    }
    std::stable_sort(node->children.begin(), node->children.end(),
                     [](const auto& a, const auto& b) {
                         return platform::CompareTextLocale(a->text, b->text) < 0;
                     });

    for (const platform::DirEntry& entry : directories_->List(path, "*.mbx", false)) {
        if (entry.directory) continue;  // a folder named like a mailbox file is no row
        const std::string base = ChangeExtension(entry.name, "");
        if (IsReservedFolder(base)) continue;
        if (entry.unopenable) {
            ++unopenableMailboxes_;  // a row for it could only fail
            continue;
        }
        FolderRow row;
        row.caption = base;
        row.fileName = entry.name;
        // The whole size: a mailbox over 4 GB shows its real size.
        row.sizeText = std::to_string(entry.size / 1024) + "KB";
        row.dateText = platform::FormatLocalDateTime(entry.lastWrite);
        rows_.push_back(std::move(row));
    }
}

std::vector<platform::FileId> MailProfile::FolderChain(const TreeNode* node,
                                                       std::string path) const {
    std::vector<platform::FileId> chain;
    auto add = [&](const std::string& folder) {
        if (auto id = directories_->Identity(folder)) chain.push_back(*id);
    };
    // Each folder node added its text and a separator to the path of the one above.
    for (; node->level > 1; node = node->parent) {
        add(path);
        path.resize(path.size() - node->text.size() - 1);
    }
    add(path);  // the user folder
    // The data folder, when HomeDir names it as a folder ("C:\Mail" + "User0" has none).
    if (!homeDir_.empty() && FileNameStart(homeDir_) == homeDir_.size()) add(homeDir_);
    return chain;
}

std::string MailProfile::MailboxPath(const TreeNode* node, const FolderRow& row) {
    std::string path;
    GetFolderPath(node, path);
    return path + (row.fileName.empty() ? row.caption + ".mbx" : row.fileName);
}

namespace {

bool IsPathSeparator(char c) { return c == platform::FolderSeparator() || c == '/'; }

// "User" and decimal digits, the name the mail client gives a user's folder.
bool IsUserFolderName(std::string_view name) {
    if (name.size() < 5 || UpperAscii(name.substr(0, 4)) != "USER") return false;
    for (char c : name.substr(4))
        if (c < '0' || c > '9') return false;
    return true;
}

bool IsFolder(const std::string& path) {
    try {
        return platform::KindOf(path) == platform::FileKind::kFolder;
    } catch (const IoError&) {
        return false;  // a folder that cannot be looked into gives no attachments either
    }
}

}  // namespace

std::string UserAttachDir(const std::string& mailboxPath, const std::string& homeDir) {
    const std::string sep(1, platform::FolderSeparator());
    // Under the data folder the user folder is the first name after it. Letter case is
    // ignored: the path given may be spelt differently, and the result keeps the mailbox's.
    if (!homeDir.empty() && mailboxPath.size() > homeDir.size() &&
        UpperAscii(std::string_view(mailboxPath).substr(0, homeDir.size())) ==
            UpperAscii(homeDir)) {
        const std::size_t end = mailboxPath.find_first_of("/" + sep, homeDir.size());
        if (end != std::string::npos &&
            IsUserFolderName(
                std::string_view(mailboxPath).substr(homeDir.size(), end - homeDir.size())))
            return mailboxPath.substr(0, end) + sep + "Attach" + sep;
    }
    std::size_t start = 0;
    for (std::size_t i = 0; i < mailboxPath.size(); ++i) {
        if (IsSjisLeadByte(mailboxPath[i])) {
            ++i;
            continue;
        }
        if (!IsPathSeparator(mailboxPath[i])) continue;
        if (IsUserFolderName(std::string_view(mailboxPath).substr(start, i - start))) {
            const std::string attach = mailboxPath.substr(0, i) + sep + "Attach";
            if (IsFolder(attach)) return attach + sep;
        }
        start = i + 1;
    }
    return {};
}

}  // namespace tavori
