#include "mailstore/profile.h"

#include <algorithm>
#include <cstdio>

#include "mailstore/file_names.h"
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

void MailProfile::ReadStartup(const platform::Registry& registry, const std::string& homeOverride) {
    if (!homeOverride.empty())
        homeDir_ = homeOverride;
    else if (auto settings = registry.OpenKey(kSettingsKey))
        homeDir_ = platform::FolderPathFromRegistry(settings->ReadString("HomeDir"));
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
        folders = node->text + sep + folders;
        node = node->parent;
    }
    const std::string user = homeDir_ + "User" + std::to_string(node->userNumber) + sep;
    attachDir_ = user + "Attach" + sep;
    path = user + folders;
    return true;
}

void MailProfile::ListFolders(TreeNode* node) {
    rows_.clear();
    if (!node || node->level == 0) return;
    std::string path;
    GetFolderPath(node, path);

    for (const platform::DirEntry& entry : directories_->List(path, "*.*", true)) {
        if (IsReservedFolder(entry.name) || !entry.directory) continue;
        if (FindChildNode(node, entry.name)) continue;
        auto child = std::make_unique<TreeNode>();
        child->text = entry.name;
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
        FolderRow row;
        row.caption = base;
        // The whole size: a mailbox over 4 GB shows its real size.
        row.sizeText = std::to_string(entry.size / 1024) + "KB";
        row.dateText = platform::FormatLocalDateTime(entry.lastWrite);
        rows_.push_back(std::move(row));
    }
}

std::string MailProfile::MailboxPath(const TreeNode* node, const FolderRow& row) {
    std::string path;
    GetFolderPath(node, path);
    return path + row.caption + ".mbx";
}

}  // namespace tavori
