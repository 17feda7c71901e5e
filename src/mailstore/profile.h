#pragma once
// The mail client's profile as the tool sees it: the data folder and the user accounts from
// the registry, the user tree with the folders found on disk, and the folder list of the
// selected node with its mailbox files. A model without windows; the window shows it in its
// tree view and list view, the command-line tool prints it.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/file.h"

namespace tavori {
namespace platform {
class DirectoryLister;
class Registry;
}  // namespace platform

// Image indices of the window's image list.
enum ProfileImage : int {
    kImageNone = -1,
    kImageComputer = 0,
    kImageFolderClosed = 3,
    kImageFolderOpen = 4,
    kImageMailTray = 5,
    kImageMailBundle = 6,
    kImageSelected = 7,
};

struct TreeNode {
    std::string text;
    TreeNode* parent = nullptr;
    int level = 0;
    std::vector<std::unique_ptr<TreeNode>> children;
    int userNumber = 0;
    int image = kImageComputer, selectedImage = kImageComputer, stateImage = kImageNone;
    bool expanded = false;
    // A folder whose name Shift-JIS cannot hold ("〓" in text): neither it nor anything in it
    // can be opened by this program.
    bool unopenable = false;
};

// A row of the folder list: one mailbox file of the listed folder.
struct FolderRow {
    std::string caption;   // the file name without its last extension
    std::string fileName;  // as listed ("Notes.MBX"); where letter case counts, no other opens it
    std::string sizeText;  // "%dKB"
    std::string dateText;  // last write, in the user's locale
    int image = kImageMailBundle;
    int stateImage = kImageNone;
};

// The six names that never get a folder node or a folder list row, letter case ignored.
bool IsReservedFolder(const std::string& name);

// The first child of parent whose text equals name exactly, or nullptr.
TreeNode* FindChildNode(const TreeNode* parent, const std::string& name);

class MailProfile {
  public:
    static constexpr const char* kSettingsKey = "\\Software\\RIMArts\\Rebecca\\Settings";
    static constexpr const char* kUsersKey = "\\Software\\RIMArts\\Rebecca\\Users\\";
    static constexpr int kMaxUsers = 20;

    // Folders are listed through directories (this computer's file system unless told).
    MailProfile();
    explicit MailProfile(const platform::DirectoryLister& directories);

    // The data folder as the registry stores it, in this system's form; empty when the key or
    // the value is missing. A value of a non-string kind throws Error.
    static std::string ReadHomeDir(const platform::Registry& registry);

    // Reads HomeDir and adds a user node for every user number 0 to 19 with a non-empty
    // Account, then expands the root. A HomeDir or Account of a non-string kind throws Error.
    // homeOverride, when not empty, is used instead of the registry's HomeDir, which is then
    // not read at all (a broken value there does not stand in the way of a folder given).
    void ReadStartup(const platform::Registry& registry, const std::string& homeOverride = "");

    // The folder path of a node (ending in a folder separator) and, as a side effect,
    // AttachDir of the node's user. With no node, false and nothing changes.
    bool GetFolderPath(const TreeNode* node, std::string& path);

    // Lists the folder of node: new sub-folders become children (never removed), the children
    // are sorted again, and the mailbox files become the rows. No node or the root: no rows.
    // A sub-folder that is the node's own folder or one above it up to the data folder (a link
    // or junction to ".", "..", or further up) gets no child, so the tree has an end. An
    // unopenable node lists nothing; mailbox files whose names Shift-JIS cannot hold get no
    // row and are counted (UnopenableMailboxes).
    void ListFolders(TreeNode* node);

    // The mailbox file of a row of the node last listed, named as the listing named it.
    std::string MailboxPath(const TreeNode* node, const FolderRow& row);

    TreeNode& Root() { return root_; }
    const std::vector<FolderRow>& Rows() const { return rows_; }
    int UnopenableMailboxes() const { return unopenableMailboxes_; }
    const std::string& HomeDir() const { return homeDir_; }
    const std::string& AttachDir() const { return attachDir_; }

  private:
    // The identities of node's folder (at path) and of the folders above it up to the data
    // folder.
    std::vector<platform::FileId> FolderChain(const TreeNode* node, std::string path) const;

    const platform::DirectoryLister* directories_;
    TreeNode root_;
    std::vector<FolderRow> rows_;
    int unopenableMailboxes_ = 0;  // of the node last listed
    std::string homeDir_;
    std::string attachDir_;
};

// The attachments folder for a mailbox file when none is given: with the data folder known
// and the mailbox inside homeDir + "User<n>" + separator, that user's Attach folder; else the
// outermost User<n> folder on the mailbox's path that holds an Attach folder (a folder of
// that name deeper down is the user's own mail folder); else "" (no attachments found).
std::string UserAttachDir(const std::string& mailboxPath, const std::string& homeDir);

}  // namespace tavori
