#pragma once
// A list box of the files of one folder whose names match a mask, sorted by name.
#include <functional>
#include <string>
#include <vector>

#include "ui/controls/control.h"

namespace tavori::ui {

struct FileListBoxArgs {
    HWND parent = nullptr;
    int id = 0;
    std::string mask = "*.*";  // patterns separated by ";", such as "*.txt;*.eml"
    bool multiSelect = false;  // Shift and Ctrl extend the selection
};

class FileListBox : public Control {
  public:
    explicit FileListBox(const FileListBoxArgs& args);
    ~FileListBox() override;

    // Lists the regular files of folder matching the mask (hidden and system files left out),
    // sorted by name without regard to the case of ASCII letters, nothing selected; then
    // onChange. A folder that cannot be listed, or an empty folder text, lists nothing.
    void SetFolder(const std::string& folder);
    const std::string& Folder() const { return folder_; }  // as given
    void SetMask(const std::string& mask);                 // re-lists, then onChange
    void Refresh();                                        // reads the folder again, then onChange

    std::vector<std::string> Names() const { return names_; }
    std::vector<std::string> SelectedNames() const;  // in list order
    int SelectedIndex() const;                       // the first selected, or -1
    // Both fire onChange when the selection changes. SelectAll does nothing in a single-select
    // list.
    void SetSelected(int index, bool selected);
    void SelectAll();

    std::function<void()> onChange;  // selection changed by the user or here, or list re-read
    std::function<void(wchar_t ch)> onKeyPress;  // typed characters (Ctrl+A arrives as 1)

    void OnCommand(WORD code) override;

  private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR self);
    std::vector<int> SelectedIndices() const;
    void Changed();

    std::string folder_;
    std::string mask_;
    bool multiSelect_ = false;
    std::vector<std::string> names_;
};

// The names in list order: ASCII letters compared as upper case (so "_" follows the letters,
// as the system orders file names), the bytes of double-byte characters as they are.
bool FileNameLess(const std::string& a, const std::string& b);

}  // namespace tavori::ui
