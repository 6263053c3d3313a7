#pragma once
// The drive combo box and the directory list box of the machine's file system.
#include <string>
#include <string_view>

#include "forms/Controls.h"
#include "forms/StringList.h"

namespace forms {

class TDirectoryListBox;

// The machine's drives, one item each ("c: [LABEL]"). When made, the drive is the first
// character of the current directory, or none (Drive() == 0) when the current directory is a
// network path (it starts with a backslash).
class TDriveComboBox : public TWinControl {
 public:
  explicit TDriveComboBox(TComponent* owner);
  const char* ClassName() const override { return "TDriveComboBox"; }

  TStringList Items;
  char Drive() const { return drive_; }  // lower case letter, 0 for none
  // The user's or program's choice of a drive: OnChange when it changes; the linked directory
  // list box follows. A letter that is no drive of the machine is ignored.
  void SetDrive(char letter);
  std::string Text() const override;  // the item of the current drive, "" when none
  void UpdateDrives();                // reads the drive table again
  TDirectoryListBox* DirList = nullptr;
  TNotifyEvent OnChange;

 private:
  char drive_ = 0;
};

// The folder tree of one drive: the drive root, each folder of the path down to the current
// directory, then the subfolders of the current directory. Moving in it changes the process's
// current directory.
class TDirectoryListBox : public TWinControl {
 public:
  explicit TDirectoryListBox(TComponent* owner);
  const char* ClassName() const override { return "TDirectoryListBox"; }

  TStringList Items;  // the names shown, one per row ("c:\" for the root)
  int ItemIndex() const { return itemIndex_; }
  // The current directory of the list; setting it makes it the process's current directory.
  // Raises EInOutError with the platform's text when the directory cannot be entered (the list
  // then stays where it was).
  const std::string& Directory() const { return directory_; }
  void SetDirectory(std::string_view path);
  char Drive() const;
  // Switches to a drive (its current directory, else its root); EInOutError when the drive
  // cannot be read.
  void SetDrive(char letter);
  // The full path of a row.
  std::string GetItemPath(int index) const;
  // The user's choice of a row (a double click): moves there.
  void OpenItem(int index);
  void Update();  // reads the folders again
  TNotifyEvent OnChange;

 private:
  void Fill();
  std::string directory_;
  int itemIndex_ = -1;
  int treeRows_ = 0;  // rows that are the path (root first); the subfolders follow
};

}  // namespace forms
