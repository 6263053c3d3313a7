// Member selection and extraction: which members, where each one goes, what happens to an
// existing file, the password check, the decompression, attributes and time, the CRC check.
#include <unordered_map>

#include "archive/BufferStream.h"
#include "archive/Decompressor.h"
#include "archive/WildcardMatch.h"
#include "archive/ZipReader.h"
#include "forms/MessageBox.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Stream.h"
#include "platform/Text.h"

namespace niv {

namespace {

constexpr uint32_t kRetainedAttributes =
    plat::faReadOnly | plat::faHidden | plat::faSysFile | plat::faArchive;

std::string AsciiLower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

// True when none of the '\'-separated parts of a member path leads elsewhere than below the
// directory it is appended to: Windows drops trailing dots and blanks, so a part made of dots
// and blanks only ("..", ". .", "...") names the same or the parent directory.
bool StaysBelow(std::string_view path) {
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    std::string_view part = path.substr(start, end - start);
    if (!part.empty() && part.find_first_not_of(". ") == std::string_view::npos) return false;
    if (part.find(':') != std::string_view::npos) return false;
    start = end + 1;
  }
  return true;
}

bool ForceDirectories(const std::string& dir) {
  std::string path = plat::ExcludeTrailingBackslash(dir);
  if (path.empty() || plat::DirectoryExists(path)) return true;
  if (path.size() == 2 && path[1] == ':') return false;  // a drive that is not there
  std::string parent = plat::ExcludeTrailingBackslash(plat::ExtractFilePath(path));
  if (parent.size() < path.size() && !ForceDirectories(parent)) return false;
  return plat::CreateDir(path) || plat::DirectoryExists(path);
}

}  // namespace

int TZipReader::SelectMembers(int64_t& totalBytes) {
  std::vector<std::string> patterns;
  for (const std::string& p : FilesList) patterns.push_back(AsciiLower(p));
  int selected = 0;
  totalBytes = 0;
  for (int i = 0; i < directory_->Count(); ++i) {
    TZipHeaderInfo& e = directory_->Items(i);
    e.Selected = DoAll;
    if (e.FileName.empty() && !RecreateDirs) {
      e.Selected = false;
    } else {
      std::string name = AsciiLower(e.FullName());
      for (const std::string& p : patterns) {
        if (WildcardMatch(name, p)) {
          e.Selected = true;
          break;
        }
      }
    }
    if (e.Selected) {
      ++selected;
      totalBytes += e.UncompressedSize;
    }
  }
  return selected;
}

int TZipReader::ExtractFiles() {
  busy_ = true;
  cancel_ = false;
  struct Done {
    TZipReader& r;
    ~Done() {
      if (!r.KeepZipOpen) r.CloseArchiveStream();
      r.busy_ = false;
      r.cancel_ = false;
    }
  } done{*this};
  OpenArchive();
  if (!destDir_.empty()) ForceDirectories(destDir_);
  TDecompressor decompressor;
  return ExtractSelected(decompressor);
}

int TZipReader::ExtractSelected(TDecompressor& decompressor) {
  int64_t totalBytes = 0;
  int selected = SelectMembers(totalBytes);
  bool stopNow = false;
  if (OnStartUnZipInfo) OnStartUnZipInfo(*this, selected, totalBytes, stopNow);
  if (stopNow || selected == 0) return 0;  // nothing was written
  toWrite_ = totalBytes;
  written_ = 0;
  int written = 0;
  // Members are taken in physical order; events name them by their index in SortMode order.
  std::vector<TZipHeaderInfo*> members;
  for (int i = 0; i < directory_->Count(); ++i) members.push_back(&directory_->Items(i));
  for (TZipHeaderInfo* entry : members) {
    if (!DoAll && !entry->Selected) continue;
    bool countsAsSelected = entry->Selected;
    if (ExtractMember(*entry, ViewIndexOf(*entry), decompressor) && countsAsSelected) ++written;
  }
  return written;
}

int TZipReader::ViewIndexOf(const TZipHeaderInfo& entry) const {
  if (!view_) return directory_->IndexOf(entry);
  for (int i = 0; i < view_->Count(); ++i)
    if (&view_->Items(i) == &entry) return i;
  return -1;
}

void TZipReader::SkipMember(TSkipReason reason, const std::string& fName, int fileIndex) {
  if (OnSkippingFile) OnSkippingFile(*this, reason, fName, fileIndex);
}

// The directory a member goes to; false when its path would lead outside DestDir.
bool TZipReader::DestinationDirectory(const TZipHeaderInfo& entry, std::string& dir) const {
  std::string path = entry.FilePath;
  if (!RecreateDirs || path.empty()) {
    dir = destDir_ + "\\";
    return true;
  }
  if (!rootDir_.empty() && path.size() >= rootDir_.size() &&
      plat::AnsiSameText(path.substr(0, rootDir_.size()), rootDir_))
    path.erase(0, rootDir_.size());
  bool drive = path.size() > 1 && path[1] == ':';
  bool absolute = !path.empty() && (path[0] == '\\' || drive);
  std::string below;  // the part that must stay below the destination
  if (!absolute) {
    below = path;
    dir = destDir_ + "\\" + path;
  } else if (!destDir_.empty()) {
    below = drive ? path.substr(2) : path;
    dir = destDir_ + (below.empty() || below[0] != '\\' ? "\\" : "") + below;
  } else {
    below = drive ? path.substr(2) : path;
    dir = path;
  }
  return StaysBelow(below);
}

// Seeks to the member's local header, reads it and moves past its name and extra field.
bool TZipReader::PlaceOnMemberData(const TZipHeaderInfo& entry,
                                   uint8_t (&localHeader)[kLocalHeaderSize]) {
  if (multiVolumeMode_ != mvSingle && volumeInUse_ != entry.DiskStart)
    FetchVolume(entry.DiskStart + 1);
  if (!stream_) OpenVolume(zipName_, true);
  stream_->Seek(entry.RelOffLocalHdr, plat::soBeginning);
  bool spanning = multiVolumeMode_ != mvSingle;
  if (ReadArchive(localHeader, kLocalHeaderSize, spanning) != kLocalHeaderSize ||
      GetU32(localHeader) != kLocalHeaderSignature)
    return false;
  return SkipArchive(static_cast<int64_t>(GetU16(localHeader + 26)) + GetU16(localHeader + 28),
                     spanning);
}

bool TZipReader::CheckPassword(int fileIndex, const TZipHeaderInfo& entry,
                               const uint8_t (&localHeader)[kLocalHeaderSize],
                               TDecompressHost& host) {
  int64_t dataStart = stream_->Position();
  int startVolume = volumeInUse_;
  uint8_t checkByte = entry.HasDataDescriptor() ? localHeader[11]  // high byte of the DOS time
                                                : static_cast<uint8_t>(entry.CRC32 >> 24);
  bool spanning = multiVolumeMode_ != mvSingle;
  while (true) {
    uint8_t header[kEncryptionHeaderSize];
    if (ReadArchive(header, kEncryptionHeaderSize, spanning) !=
        static_cast<int32_t>(kEncryptionHeaderSize))
      return false;
    TZipKeys keys = TZipKeys::FromPassword(Password);
    if (CheckEncryptionHeader(keys, header, checkByte)) {
      host.Keys = keys;
      return true;
    }
    std::string newPassword = Password;
    if (OnBadPassword) OnBadPassword(*this, fileIndex, newPassword);
    if (!OnBadPassword || newPassword == Password) return false;
    Password = newPassword;
    if (volumeInUse_ != startVolume) FetchVolume(startVolume + 1);
    stream_->Seek(dataStart, plat::soBeginning);
  }
}

bool TZipReader::MayWrite(int fileIndex, std::string& fName) {
  if (OverwriteMode == Always || !plat::FileExists(fName)) return true;
  if (OverwriteMode == Never) return false;
  bool overWriteIt = false;
  if (OnPromptForOverwrite) {
    OnPromptForOverwrite(*this, overWriteIt, fileIndex, fName);
  } else {
    std::string text = "Replace existing file " + plat::ExtractFileName(fName) + "?";
    overWriteIt = forms::ShowMessageBox(text, "File Exists Alert",
                                        forms::MB_YESNO | forms::MB_ICONQUESTION) == forms::IDYES;
  }
  return overWriteIt;
}

// Extracts one member; true when its file was written with a matching CRC (a directory entry:
// when it was handled).
bool TZipReader::ExtractMember(TZipHeaderInfo& entry, int fileIndex, TDecompressor& decompressor) {
  TZipHeaderInfo work = entry;
  std::string fullName = work.FullName();
  std::string dir;
  if (!DestinationDirectory(work, dir) || !StaysBelow(work.FileName)) {
    SkipMember(srUnsafePath, fullName, fileIndex);
    return false;
  }
  if (work.FileName.empty()) {
    if (!RecreateDirs) return false;
    ForceDirectories(dir);
    bool skip = false;
    if (OnStartUnZip) OnStartUnZip(*this, fileIndex, plat::ExcludeTrailingBackslash(dir), skip);
    return true;
  }
  while (true) {  // once more for each new password after a CRC mismatch
    uint8_t localHeader[kLocalHeaderSize];
    TDecompressHost host;
    bool placed = PlaceOnMemberData(work, localHeader);
    if (placed && work.Encrypted() && !CheckPassword(fileIndex, work, localHeader, host)) {
      SkipMember(srBadPassword, fullName, fileIndex);
      return false;
    }
    ForceDirectories(dir);
    std::string fName = dir + work.FileName;
    if (!MayWrite(fileIndex, fName)) {
      SkipMember(srFileExists, fullName, fileIndex);
      return false;
    }
    bool skip = false;
    if (OnStartUnZip) OnStartUnZip(*this, fileIndex, fName, skip);
    if (skip) return false;

    uint32_t crc = 0;
    {
      TLFNFileStream dest(fName, plat::fmCreate);
      if (placed) {
        host.Member.Flags = work.Flag;
        host.Member.CompressionMethod = work.ComprMethod;
        host.Member.ModTime = work.ModifDateTime;
        host.Member.CRC32 = work.CRC32;
        host.Member.CompressedSize = work.CompressedSize;
        host.Member.UncompressedSize = work.UncompressedSize;
        host.ArchiveStream = [this]() -> plat::TStream& { return *stream_; };
        if (multiVolumeMode_ != mvSingle) {
          host.FetchVolume = [this](int volume) { FetchVolume(volume); };
          host.VolumeInUse = [this]() { return volumeInUse_; };
          host.VolumeCount = volumeCount_;
        }
        host.CancelFlag = &cancel_;
        host.DoProcessMessages = DoProcessMessages;
        host.ProcessMessages = [this]() { LetMessagesThrough(); };
        if (OnFilePercentDone)
          host.OnFilePercentDone = [this](int p) { OnFilePercentDone(*this, p); };
        if (OnTotalPercentDone)
          host.OnTotalPercentDone = [this](int p) { OnTotalPercentDone(*this, p); };
        host.TotalBytes = toWrite_;
        host.TotalWritten = &written_;
        try {
          decompressor.Decompress(host, dest);
        } catch (const EBiggerThanUncompressed&) {
          // processed: the CRC comparison decides
        }
        crc = ~host.RunningCrc;
      } else {
        crc = ~0xFFFFFFFFu;  // a member whose data cannot be found is an empty, wrong file
      }
    }
    if (placed && crc == work.CRC32) {
      plat::FileSetModTime(fName, plat::DosDateTimeToFileTime(work.ModifDateTime));
      if (RetainAttributes) plat::FileSetAttr(fName, work.ExternalAttributes & kRetainedAttributes);
      if (OnEndUnZip) OnEndUnZip(*this, fileIndex, fName);
      return true;
    }
    bool retry = false;
    if (work.Encrypted()) {
      std::string newPassword = Password;
      if (OnBadPassword) OnBadPassword(*this, fileIndex, newPassword);
      retry = OnBadPassword && newPassword != Password;
      if (retry)
        Password = newPassword;
      else
        SkipMember(srBadPassword, fullName, fileIndex);
    } else if (OnBadCRC) {
      OnBadCRC(*this, crc, work.CRC32, fileIndex);
    }
    plat::FileDelete(fName);
    if (!retry) return false;
  }
}

}  // namespace niv
