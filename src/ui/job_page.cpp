#include "ui/job_page.h"

#include "mailstore/profile.h"
#include "ui/controls/list_view.h"

namespace tavori::ui {

bool Selection::AnyMailbox() const { return rows_.SelectedCount() > 0; }

std::vector<std::string> Selection::Mailboxes() const {
    std::vector<std::string> paths;
    const std::vector<FolderRow>& rows = profile_.Rows();
    for (int row = 0; row < rows_.Count(); ++row)
        if (rows_.IsSelected(row) && row < static_cast<int>(rows.size()))
            paths.push_back(profile_.MailboxPath(node_, rows[static_cast<std::size_t>(row)]));
    return paths;
}

std::string Selection::Folder() const {
    std::string folder;
    profile_.GetFolderPath(node_, folder);
    return folder;
}

const std::string& Selection::AttachDir() const { return profile_.AttachDir(); }

}  // namespace tavori::ui
