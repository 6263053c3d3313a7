#include "forms/FileCtrls.h"

#include <algorithm>
#include <cctype>

#include "platform/Files.h"
#include "platform/Text.h"

namespace forms {

namespace {

char Lower(char c) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool IsDrive(char letter) {
  int bit = Lower(letter) - 'a';
  return bit >= 0 && bit < 26 && (plat::LogicalDrives() >> bit) & 1;
}

std::string Root(char letter) {
  return std::string(1, static_cast<char>(std::toupper(letter))) + ":\\";
}

}  // namespace

TDriveComboBox::TDriveComboBox(TComponent* owner) : TWinControl(owner) {
  UpdateDrives();
  std::string current = plat::GetCurrentDir();
  drive_ = current.empty() || current[0] == '\\' ? 0 : Lower(current[0]);
}

void TDriveComboBox::UpdateDrives() {
  Items.Clear();
  uint32_t drives = plat::LogicalDrives();
  for (int bit = 0; bit < 26; ++bit) {
    if (!((drives >> bit) & 1)) continue;
    char letter = static_cast<char>('a' + bit);
    std::string item = std::string(1, letter) + ":";
    std::string label;
    uint32_t serial = 0;
    uint32_t type = plat::DriveType(Root(letter));
    // Removable and CD drives are not asked for their label (there may be no disk).
    if (type != plat::DRIVE_REMOVABLE && type != plat::DRIVE_CDROM &&
        plat::VolumeInformation(Root(letter), label, serial) && !label.empty()) {
      item += " [" + label + "]";
    }
    Items.Add(item);
  }
}

std::string TDriveComboBox::Text() const {
  if (!drive_) return {};
  for (int i = 0; i < Items.Count(); ++i) {
    if (!Items[i].empty() && Items[i][0] == drive_) return Items[i];
  }
  return std::string(1, drive_) + ":";
}

void TDriveComboBox::SetDrive(char letter) {
  letter = Lower(letter);
  if (letter == drive_ || !IsDrive(letter)) return;
  drive_ = letter;
  if (DirList) DirList->SetDrive(letter);
  if (OnChange) OnChange(this);
}

TDirectoryListBox::TDirectoryListBox(TComponent* owner) : TWinControl(owner) {
  directory_ = plat::GetCurrentDir();
  Fill();
}

char TDirectoryListBox::Drive() const {
  return directory_.size() >= 2 && directory_[1] == ':' ? Lower(directory_[0]) : 0;
}

void TDirectoryListBox::SetDirectory(std::string_view path) {
  if (!plat::SetCurrentDir(path)) {
    uint32_t code = plat::LastError();
    throw EInOutError(plat::SysErrorMessage(code));
  }
  std::string now = plat::GetCurrentDir();
  bool changed = !plat::AsciiSameText(now, directory_);
  directory_ = now;
  Fill();
  if (changed && OnChange) OnChange(this);
}

void TDirectoryListBox::SetDrive(char letter) {
  if (Lower(letter) == Drive()) return;
  if (!IsDrive(letter)) throw EInOutError(plat::SysErrorMessage(plat::ERROR_PATH_NOT_FOUND));
  SetDirectory(Root(letter));
}

void TDirectoryListBox::Fill() {
  Items.Clear();
  std::vector<std::string> parts;
  std::string root;
  if (directory_.size() >= 2 && directory_[1] == ':') {
    root = std::string(1, Lower(directory_[0])) + ":\\";
    std::string rest = directory_.substr(std::min<size_t>(3, directory_.size()));
    size_t start = 0;
    while (start < rest.size()) {
      size_t end = rest.find('\\', start);
      if (end == std::string::npos) end = rest.size();
      if (end > start) parts.push_back(rest.substr(start, end - start));
      start = end + 1;
    }
  } else {
    root = directory_;
  }
  Items.Add(root);
  for (auto& p : parts) Items.Add(p);
  treeRows_ = Items.Count();
  itemIndex_ = treeRows_ - 1;

  std::vector<std::string> subfolders;
  plat::TSearchRec rec;
  std::string mask =
      directory_ + (directory_.empty() || directory_.back() == '\\' ? "" : "\\") + "*.*";
  if (plat::FindFirst(mask, plat::faDirectory | plat::faHidden | plat::faSysFile, rec) == 0) {
    do {
      if ((rec.Attr & plat::faDirectory) && rec.Name != "." && rec.Name != "..") {
        subfolders.push_back(rec.Name);
      }
    } while (plat::FindNext(rec) == 0);
    plat::FindClose(rec);
  }
  std::sort(subfolders.begin(), subfolders.end(), [](const std::string& a, const std::string& b) {
    return plat::AnsiCompareText(a, b) < 0;
  });
  for (auto& s : subfolders) Items.Add(s);
}

std::string TDirectoryListBox::GetItemPath(int index) const {
  if (index < 0 || index >= Items.Count()) return {};
  if (index < treeRows_) {
    std::string path = Items[0];
    for (int i = 1; i <= index; ++i) {
      if (path.back() != '\\') path += '\\';
      path += Items[i];
    }
    if (path.size() == 3 && path[1] == ':') path[0] = static_cast<char>(std::toupper(path[0]));
    return path;
  }
  std::string path = directory_;
  if (path.back() != '\\') path += '\\';
  return path + Items[index];
}

void TDirectoryListBox::OpenItem(int index) {
  std::string path = GetItemPath(index);
  if (!path.empty()) SetDirectory(path);
}

void TDirectoryListBox::Update() {
  directory_ = plat::GetCurrentDir();
  Fill();
}

}  // namespace forms
