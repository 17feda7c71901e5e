#include "platform/dir_list.h"

namespace tavori::platform {
namespace {

class SystemLister : public DirectoryLister {
  public:
    std::vector<DirEntry> List(const std::string& folder, const std::string& pattern,
                               bool withDirectories) const override {
        return ListEntries(folder, pattern, withDirectories);
    }
    std::optional<FileId> Identity(const std::string& folder) const override {
        return IdentityOf(folder);
    }
};

}  // namespace

const DirectoryLister& SystemDirectories() {
    static const SystemLister lister;
    return lister;
}

}  // namespace tavori::platform
