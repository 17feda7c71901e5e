#pragma once
// A page of the window that runs a job, and the selection of the tree and the folder list the
// jobs take their mailboxes from. The window's job frame (TMainForm::RunJob) runs any page the
// same way: the controls locked, the page's job, errors reported with one policy, the
// controls back.
#include <string>
#include <vector>

#include "jobs/job_host.h"

namespace tavori {
class MailProfile;
struct TreeNode;
}  // namespace tavori

namespace tavori::ui {

class Button;
class ListView;
struct Settings;

// The tree's selected node and the folder list's selected rows, as they are now.
class Selection {
  public:
    Selection(MailProfile& profile, const TreeNode* node, const ListView& rows)
        : profile_(profile), node_(node), rows_(rows) {}
    const TreeNode* Node() const { return node_; }
    bool AnyMailbox() const;  // a row of the folder list is selected
    // The mailbox files of the selected rows, in the list's order.
    std::vector<std::string> Mailboxes() const;
    // The node's folder, ending in a folder separator; empty with no node.
    std::string Folder() const;
    const std::string& AttachDir() const;  // of the node's user

  private:
    MailProfile& profile_;
    const TreeNode* node_;
    const ListView& rows_;
};

class JobPage {
  public:
    virtual ~JobPage() = default;

    virtual Button& StartButton() = 0;
    // Whether the start button can be pressed for selection and what the page holds.
    virtual bool CanStart(const Selection& selection) const = 0;
    // A job that writes mailbox files runs under the hourglass, and the folders are listed
    // again afterwards so the new mailboxes show.
    virtual bool WritesMailboxes() const = 0;
    // Runs the page's job for selection, reporting through host; throws as the job throws.
    // messages: the messages of the mailbox files the job went through, also when it throws.
    virtual void Run(const Selection& selection, JobHost& host, int& messages) = 0;
    // After the run, on every way out, before the controls are given back.
    virtual void Finished() {}
    // The job's figures in the page's labels.
    virtual void ShowFigures(const JobFigures& /*figures*/) {}

    // The page's part of the settings kept across runs.
    virtual void LoadSettings(const Settings& /*settings*/) {}
    virtual void SaveSettings(Settings& /*settings*/) const {}
};

}  // namespace tavori::ui
