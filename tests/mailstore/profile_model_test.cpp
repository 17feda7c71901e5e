// The user tree and folder list over a made-up registry and file system: what is asked of
// them, sizes no real test folder can hold, and the order the listing gives.
#include <gtest/gtest.h>

#include <map>
#include <optional>

#include "base/errors.h"
#include "base/sjis_text.h"
#include "mailstore/profile.h"
#include "platform/date_value.h"
#include "platform/dir_list.h"
#include "platform/file.h"
#include "platform/locale.h"
#include "platform/registry.h"

namespace tavori {
namespace {

const std::string kSep(1, platform::FolderSeparator());
const std::string kUsers = "\\Software\\RIMArts\\Rebecca\\Users\\";
const std::string kSettings = "\\Software\\RIMArts\\Rebecca\\Settings";

// A value: its text, or no text for a value of a kind other than a string.
using FakeValues = std::map<std::string, std::optional<std::string>>;

class FakeKey : public platform::RegistryKey {
  public:
    explicit FakeKey(FakeValues values) : values_(std::move(values)) {}
    bool HasValue(const std::string& name) const override { return values_.count(name) != 0; }
    std::string ReadString(const std::string& name) const override {
        auto it = values_.find(name);
        if (it == values_.end()) return {};
        if (!it->second) throw Error("値 " + name + " は文字列ではありません");
        return *it->second;
    }

  private:
    FakeValues values_;
};

class FakeRegistry : public platform::Registry {
  public:
    std::unique_ptr<platform::RegistryKey> OpenKey(const std::string& path) const override {
        opened.push_back(path);
        auto it = keys.find(path);
        if (it == keys.end()) return nullptr;
        return std::make_unique<FakeKey>(it->second);
    }
    std::map<std::string, FakeValues> keys;
    mutable std::vector<std::string> opened;
};

// Folders by path; each listing keeps the order the entries were put in, as a file system
// yields them in an order of its own.
class FakeDirectories : public platform::DirectoryLister {
  public:
    std::vector<platform::DirEntry> List(const std::string& folder, const std::string& pattern,
                                         bool withDirectories) const override {
        asked.push_back(folder + pattern);
        std::vector<platform::DirEntry> out;
        auto it = folders.find(folder);
        if (it == folders.end()) return out;
        for (const auto& e : it->second) {
            if (pattern == "*.mbx" && !keepEverything) {
                if (e.directory && !withDirectories) continue;
                const std::string upper = UpperAscii(e.name);
                if (upper.size() < 4 || upper.compare(upper.size() - 4, 4, ".MBX") != 0) continue;
            }
            out.push_back(e);
        }
        return out;
    }
    void Folder(const std::string& path, const std::string& name) {
        folders[path].push_back({name, true, 0, 0});
    }
    void File(const std::string& path, const std::string& name, std::uint64_t size = 0,
              double lastWrite = 0) {
        folders[path].push_back({name, false, size, lastWrite});
    }
    std::optional<platform::FileId> Identity(const std::string& folder) const override {
        auto it = ids.find(folder);
        if (it == ids.end()) return std::nullopt;
        return it->second;
    }
    // A folder of its own identity (path ends in a separator).
    void Real(const std::string& path) {
        const std::uint64_t next = ids.size() + 1;
        ids[path] = {1, next};
    }
    // A sub-folder that is a link to target, a folder given to Real.
    void Link(const std::string& path, const std::string& name, const std::string& target) {
        Folder(path, name);
        ids[path + name + kSep] = ids.at(target);
    }
    std::map<std::string, std::vector<platform::DirEntry>> folders;
    std::map<std::string, platform::FileId> ids;
    bool keepEverything = false;  // give every entry whatever was asked
    mutable std::vector<std::string> asked;
};

std::vector<std::string> Texts(const TreeNode& node) {
    std::vector<std::string> texts;
    for (const auto& child : node.children) texts.push_back(child->text);
    return texts;
}

// No drive letter: on this system's side of Wine a drive path would be mapped into the prefix.
const std::string kHome = kSep + "Mail" + kSep;
const std::string kUser3 = kHome + "User3" + kSep;

struct Store {
    FakeRegistry registry;
    FakeDirectories dirs;
    MailProfile profile{dirs};
    Store() {
        registry.keys[kSettings] = {{"HomeDir", kHome}};
        registry.keys[kUsers + "3"] = {{"Account", "家族"}};
    }
    TreeNode& User(std::size_t i = 0) { return *profile.Root().children.at(i); }
};

TEST(ProfileStartup, TriesExactlyUsers0To19InOrder) {
    Store s;
    s.registry.keys[kUsers + "20"] = {{"Account", "Twenty"}};
    s.registry.keys[kUsers + "19"] = {{"Account", "Nineteen"}};
    s.profile.ReadStartup(s.registry);
    std::vector<std::string> expected{kSettings};
    for (int n = 0; n < 20; ++n) expected.push_back(kUsers + std::to_string(n));
    EXPECT_EQ(s.registry.opened, expected);
    EXPECT_EQ(Texts(s.profile.Root()), (std::vector<std::string>{"家族", "Nineteen"}));
    EXPECT_EQ(s.profile.HomeDir(), kHome);
}

TEST(ProfileStartup, AccountsThatGiveNoNode) {
    struct Case {
        FakeValues values;
        const char* reason;
    };
    const Case cases[] = {
        {{{"Account", ""}}, "an empty Account"},
        {{{"Name", "x"}}, "a key without Account"},
        {{}, "an empty key"},
    };
    for (const auto& c : cases) {
        Store s;
        s.registry.keys[kUsers + "0"] = c.values;
        s.profile.ReadStartup(s.registry);
        EXPECT_EQ(Texts(s.profile.Root()), std::vector<std::string>{"家族"}) << c.reason;
    }
}

TEST(ProfileStartup, NonStringValuesAreReadErrors) {
    Store s;
    s.registry.keys[kUsers + "5"] = {{"Account", std::nullopt}};
    EXPECT_THROW(s.profile.ReadStartup(s.registry), Error);

    Store t;
    t.registry.keys[kSettings] = {{"HomeDir", std::nullopt}};
    EXPECT_THROW(t.profile.ReadStartup(t.registry), Error);
}

TEST(ProfileStartup, FolderGivenOnTheCommandLineReplacesHomeDirUnread) {
    Store s;
    s.registry.keys[kSettings] = {{"HomeDir", std::nullopt}};  // would be a read error
    s.profile.ReadStartup(s.registry, kSep + "Given" + kSep);
    EXPECT_EQ(s.profile.HomeDir(), kSep + "Given" + kSep);
    EXPECT_EQ(s.registry.opened.front(), kUsers + "0");
    EXPECT_EQ(s.profile.Root().children.size(), 1u);
}

TEST(ProfileFolders, RootIsTreatedAsUserZeroAndListsNothing) {
    Store s;
    s.profile.ReadStartup(s.registry);
    std::string path;
    ASSERT_TRUE(s.profile.GetFolderPath(&s.profile.Root(), path));
    EXPECT_EQ(path, kHome + "User0" + kSep);
    EXPECT_EQ(s.profile.AttachDir(), kHome + "User0" + kSep + "Attach" + kSep);
    s.profile.ListFolders(&s.profile.Root());
    s.profile.ListFolders(nullptr);
    EXPECT_TRUE(s.dirs.asked.empty());
    EXPECT_TRUE(s.profile.Rows().empty());
}

// A folder or mailbox whose name Shift-JIS cannot hold: the folder is a node marked
// unopenable that lists nothing (its path names no folder), the mailbox no row but a count.
TEST(ProfileFolders, NamesShiftJisCannotHoldAreMarkedNotListed) {
    Store s;
    s.profile.ReadStartup(s.registry);
    s.dirs.folders[kUser3].push_back({"〓〓", true, 0, 0, true});
    s.dirs.folders[kUser3].push_back({"日記〓.mbx", false, 0, 0, true});
    s.dirs.File(kUser3, "Work.mbx");
    s.profile.ListFolders(&s.User());
    ASSERT_EQ(Texts(s.User()), std::vector<std::string>{"〓〓"});
    TreeNode& korean = *s.User().children[0];
    EXPECT_TRUE(korean.unopenable);
    ASSERT_EQ(s.profile.Rows().size(), 1u);
    EXPECT_EQ(s.profile.Rows()[0].caption, "Work");
    EXPECT_EQ(s.profile.UnopenableMailboxes(), 1);
    s.dirs.asked.clear();
    s.profile.ListFolders(&korean);
    EXPECT_TRUE(s.profile.Rows().empty());
    EXPECT_EQ(s.profile.UnopenableMailboxes(), 0);
    EXPECT_TRUE(s.dirs.asked.empty()) << "nothing is asked of a path that names no folder";
}

TEST(ProfileFolders, SizeColumnIsTheWholeSizeInKilobytes) {
    struct Case {
        std::uint64_t size;
        const char* text;
        const char* reason;
    };
    const Case cases[] = {
        {0, "0KB", "an empty mailbox"},
        {1023, "0KB", "rounded down"},
        {1024, "1KB", "one kilobyte"},
        {(4ull << 30) - 1, "4194303KB", "just under 4 GB"},
        {(4ull << 30) + 1023, "4194304KB", "just over 4 GB: the high 32 bits count"},
        {5ull << 30, "5242880KB", "a 5 GB mailbox is not shown as 1 GB"},
    };
    for (const auto& c : cases) {
        Store s;
        s.dirs.File(kUser3, "Box.mbx", c.size);
        s.profile.ReadStartup(s.registry);
        s.profile.ListFolders(&s.User());
        ASSERT_EQ(s.profile.Rows().size(), 1u) << c.reason;
        EXPECT_EQ(s.profile.Rows()[0].sizeText, c.text) << c.reason;
    }
}

TEST(ProfileFolders, RowsKeepTheListingsOrderAndItsDates) {
    Store s;
    double noon = 0, midnight = 0;
    ASSERT_TRUE(EncodeDateTime({2024, 8, 10, 12, 30, 4}, noon));
    ASSERT_TRUE(EncodeDateTime({2024, 8, 11, 0, 0, 0}, midnight));
    s.dirs.File(kUser3, "zeta.mbx", 10, noon);
    s.dirs.File(kUser3, "Alpha.MBX", 2048, midnight);
    s.dirs.File(kUser3, "Notes.old.mbx", 1, noon);
    s.profile.ReadStartup(s.registry);
    s.profile.ListFolders(&s.User());
    ASSERT_EQ(s.profile.Rows().size(), 3u);
    const auto& rows = s.profile.Rows();
    EXPECT_EQ(rows[0].caption, "zeta");  // rows are not sorted
    EXPECT_EQ(rows[1].caption, "Alpha");
    EXPECT_EQ(rows[2].caption, "Notes.old");
    EXPECT_EQ(rows[0].dateText, platform::FormatLocalDateTime(noon));
    EXPECT_EQ(rows[1].dateText, platform::FormatLocalDateTime(midnight));
    EXPECT_EQ(rows[1].sizeText, "2KB");
    for (const auto& row : rows) {
        EXPECT_EQ(row.image, kImageMailBundle);
        EXPECT_EQ(row.stateImage, kImageNone);
    }
    EXPECT_EQ(s.profile.MailboxPath(&s.User(), rows[2]), kUser3 + "Notes.old.mbx");
    // The name as listed: where letter case counts, Alpha.mbx would be another file.
    EXPECT_EQ(rows[1].fileName, "Alpha.MBX");
    EXPECT_EQ(s.profile.MailboxPath(&s.User(), rows[1]), kUser3 + "Alpha.MBX");
}

TEST(ProfileFolders, LinksBackUpTheFolderChainGetNoNode) {
    Store s;
    const std::string a = kUser3 + "A" + kSep, b = kUser3 + "B" + kSep;
    const std::string deep = a + "deep" + kSep;
    for (const std::string& folder : {kHome, kUser3, a, b, deep}) s.dirs.Real(folder);
    s.dirs.Folder(kUser3, "A");
    s.dirs.Folder(kUser3, "B");
    s.dirs.Folder(a, "deep");
    s.dirs.Folder(a, "unknown");  // no identity to be had: nothing to compare, so listed
    struct Case {
        std::string folder, name, target;
        bool listed;
        const char* reason;
    };
    const Case cases[] = {
        {a, "self", a, false, "a link to the folder itself"},
        {a, "up", kUser3, false, "a link to the user folder above"},
        {a, "top", kHome, false, "a link to the data folder"},
        {a, "toB", b, true, "a link to a sibling is no loop"},
        {deep, "back", a, false, "a link two levels up"},
        {deep, "again", deep, false, "a link to itself one level down"},
    };
    for (const auto& c : cases) s.dirs.Link(c.folder, c.name, c.target);
    s.profile.ReadStartup(s.registry);
    s.profile.ListFolders(&s.User());
    TreeNode& nodeA = *FindChildNode(&s.User(), "A");
    s.profile.ListFolders(&nodeA);
    s.profile.ListFolders(FindChildNode(&nodeA, "deep"));
    for (const auto& c : cases) {
        const TreeNode* parent = c.folder == a ? &nodeA : FindChildNode(&nodeA, "deep");
        EXPECT_EQ(FindChildNode(parent, c.name) != nullptr, c.listed) << c.reason;
    }
    EXPECT_NE(FindChildNode(&nodeA, "unknown"), nullptr);
}

TEST(ProfileFolders, EntriesOfTheWrongKindAreLeftOut) {
    Store s;
    s.dirs.keepEverything = true;  // a listing that gives files for folders and the reverse
    s.dirs.File(kUser3, "Mail.mbx");
    s.dirs.Folder(kUser3, "Folder.mbx");
    s.profile.ReadStartup(s.registry);
    s.profile.ListFolders(&s.User());
    EXPECT_EQ(Texts(s.User()), std::vector<std::string>{"Folder.mbx"});
    ASSERT_EQ(s.profile.Rows().size(), 1u);
    EXPECT_EQ(s.profile.Rows()[0].caption, "Mail");
}

TEST(ProfileFolders, ReservedNamesInAnyCaseAreHidden) {
    Store s;
    for (const char* name : {".", "..", "ATTACH", "inbox", "Trash", "OutBox", "Trash2"})
        s.dirs.Folder(kUser3, name);
    for (const char* name : {"TRASH.MBX", "Inbox.mbx", "outbox.mbx", "attach.mbx", "Trash2.mbx"})
        s.dirs.File(kUser3, name);
    s.profile.ReadStartup(s.registry);
    s.profile.ListFolders(&s.User());
    EXPECT_EQ(Texts(s.User()), std::vector<std::string>{"Trash2"});
    ASSERT_EQ(s.profile.Rows().size(), 1u);
    EXPECT_EQ(s.profile.Rows()[0].caption, "Trash2");
}

TEST(ProfileFolders, NestedFoldersAreFoundOneLevelPerSelection) {
    Store s;
    s.dirs.Folder(kUser3, "旅行");
    s.dirs.Folder(kUser3 + "旅行" + kSep, "国内");
    s.dirs.File(kUser3 + "旅行" + kSep + "国内" + kSep, "京都.mbx", 3000);
    s.profile.ReadStartup(s.registry);
    s.profile.ListFolders(&s.User());
    TreeNode& trip = *s.User().children.at(0);
    EXPECT_TRUE(trip.children.empty());  // not looked into before it is selected
    EXPECT_EQ(trip.level, 2);
    EXPECT_EQ(trip.userNumber, 0);
    EXPECT_EQ(trip.image, kImageFolderClosed);
    EXPECT_EQ(trip.selectedImage, kImageFolderOpen);
    EXPECT_EQ(trip.stateImage, kImageFolderClosed);
    s.profile.ListFolders(&trip);
    TreeNode& home = *trip.children.at(0);
    EXPECT_EQ(home.level, 3);
    EXPECT_EQ(home.parent, &trip);
    s.profile.ListFolders(&home);
    ASSERT_EQ(s.profile.Rows().size(), 1u);
    EXPECT_EQ(s.profile.MailboxPath(&home, s.profile.Rows()[0]),
              kUser3 + "旅行" + kSep + "国内" + kSep + "京都.mbx");
    EXPECT_EQ(s.profile.AttachDir(), kUser3 + "Attach" + kSep);
    const std::vector<std::string> asked{kUser3 + "*.*",
                                         kUser3 + "*.mbx",
                                         kUser3 + "旅行" + kSep + "*.*",
                                         kUser3 + "旅行" + kSep + "*.mbx",
                                         kUser3 + "旅行" + kSep + "国内" + kSep + "*.*",
                                         kUser3 + "旅行" + kSep + "国内" + kSep + "*.mbx"};
    EXPECT_EQ(s.dirs.asked, asked);
}

TEST(ProfileFolders, ChildrenAreSortedInTheLocalesOrderAfterEverySelection) {
    Store s;
    s.dirs.Folder(kUser3, "b");
    s.dirs.Folder(kUser3, "D");
    s.profile.ReadStartup(s.registry);
    s.profile.ListFolders(&s.User());
    s.profile.ListFolders(&s.User());
    EXPECT_EQ(Texts(s.User()), (std::vector<std::string>{"b", "D"}));
    s.dirs.Folder(kUser3, "A");
    s.dirs.Folder(kUser3, "c");
    s.profile.ListFolders(&s.User());
    EXPECT_EQ(Texts(s.User()), (std::vector<std::string>{"A", "b", "c", "D"}));
    s.dirs.folders.clear();  // the folders went away: their nodes stay
    s.profile.ListFolders(&s.User());
    EXPECT_EQ(Texts(s.User()), (std::vector<std::string>{"A", "b", "c", "D"}));
    EXPECT_TRUE(s.profile.Rows().empty());
}

TEST(ProfileFolders, ChildNamesAreMatchedExactly) {
    Store s;
    s.dirs.Folder(kUser3, "Work");
    s.profile.ReadStartup(s.registry);
    s.profile.ListFolders(&s.User());
    s.dirs.Folder(kUser3, "work");  // another name to the tree, though not to every file system
    s.profile.ListFolders(&s.User());
    ASSERT_EQ(s.User().children.size(), 2u);
    EXPECT_EQ(FindChildNode(&s.User(), "Work")->text, "Work");
    EXPECT_EQ(FindChildNode(&s.User(), "work")->text, "work");
    EXPECT_EQ(FindChildNode(&s.User(), "WORK"), nullptr);
    EXPECT_EQ(FindChildNode(nullptr, "Work"), nullptr);
}

}  // namespace
}  // namespace tavori
