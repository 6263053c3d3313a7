#include "archive/ZipReader.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "archive/BufferStream.h"
#include "forms/Application.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Stream.h"
#include "platform/Text.h"

namespace niv {

namespace {

constexpr int64_t kEndSearchWindow = 65528;
constexpr int64_t kExeScanStart = 14000;
constexpr int64_t kScanBreathEvery = 10240;
constexpr int64_t kSmallSkip = 4096;

uint64_t FileDateOf(const std::string& name) {
  plat::FileTime time = 0;
  return plat::FileGetModTime(name, time) ? time : 0;
}

}  // namespace

TZipReader::TZipReader(forms::TComponent* owner) : TComponent(owner) {
  OnGetNextDisk = [this](TZipReader& s, int n, std::string& f) { DefaultGetNextDisk(s, n, f); };
}

TZipReader::~TZipReader() {
  CloseArchiveStream();
}

void TZipReader::Loaded() {
  thisVersion_ = 217;
  if (!OnGetNextDisk)
    OnGetNextDisk = [this](TZipReader& s, int n, std::string& f) { DefaultGetNextDisk(s, n, f); };
}

void TZipReader::SetZipName(const std::string& name) {
  if (!name.empty() && name.back() == '?')
    throw EUserCanceled("User canceled setting zip file name.");
  if (plat::AnsiSameText(name, zipName_)) return;
  CloseArchiveStream();
  ForgetDirectory();
  zipName_ = name;
}

void TZipReader::SetDestDir(const std::string& dir) {
  if (dir == "?") throw EUserCanceled("User canceled Set Desination Directory");
  destDir_ = dir;
  if (!destDir_.empty() && destDir_.back() == '\\') destDir_.pop_back();
}

void TZipReader::SetRootDir(const std::string& dir) {
  rootDir_ = dir;
  if (!rootDir_.empty() && rootDir_.back() != '\\') rootDir_ += '\\';
}

void TZipReader::SetSortMode(TZipSortMode mode) {
  sortMode_ = mode;
  if (directory_) BuildView();
}

// ---- Directory access ----------------------------------------------------------------------

int TZipReader::EntryCount() const {
  return directory_ ? directory_->Count() : 0;
}

const TZipHeaderInfo& TZipReader::Entry(int index) const {
  if (!directory_) RaiseIndexOutOfRange(index);
  return view_ ? view_->Items(index) : directory_->Items(index);
}

std::string TZipReader::EntryName(int index) const {
  return Entry(index).FileName;
}
std::string TZipReader::EntryPath(int index) const {
  return Entry(index).FilePath;
}
uint32_t TZipReader::EntrySize(int index) const {
  return Entry(index).UncompressedSize;
}
uint32_t TZipReader::EntryAttributes(int index) const {
  return Entry(index).ExternalAttributes;
}

TDateTime TZipReader::EntryDateTime(int index) const {
  return DosDateTimeToDateTime(Entry(index).ModifDateTime).value_or(NowDateTime());
}

void TZipReader::BuildView() {
  view_.reset();
  if (sortMode_ == ByNone || !directory_) return;
  view_ = std::make_unique<TSortedZipView>(sortMode_);
  for (int i = 0; i < directory_->Count(); ++i) view_->Add(&directory_->Items(i));
}

// ---- Opening and closing -------------------------------------------------------------------

void TZipReader::ReadZipDirectory() {
  cancel_ = false;
  OpenArchive();
  if (!KeepZipOpen) CloseArchiveStream();
}

void TZipReader::OpenArchive() {
  if (!stream_) OpenVolume(zipName_, true);
  if (directory_ && FileDateOf(zipName_) == zipFileDate_) return;
  try {
    ReadDirectory();
  } catch (const EBadZipFile&) {
    throw;  // the component is closed already
  } catch (const EIncompleteZip&) {
    throw;
  } catch (...) {
    CloseArchiveStream();
    ForgetDirectory();
    throw;
  }
}

void TZipReader::CloseArchiveStream() {
  stream_.reset();
}

void TZipReader::ForgetDirectory() {
  view_.reset();
  directory_.reset();
  endCentral_ = TEndCentral();
  rebuilt_ = false;
  multiVolumeMode_ = mvSingle;
  volumeInUse_ = 0;
  volumeCount_ = 0;
  lastVolumeName_.clear();
}

void TZipReader::CloseZip() {
  CloseArchiveStream();
  ForgetDirectory();
  zipName_.clear();
}

void TZipReader::FailBadZip() {
  CloseZip();
  throw EBadZipFile("Not a valid zip file!");
}

// ---- Reading the directory -----------------------------------------------------------------

void TZipReader::ReadDirectory() {
  zipFileDate_ = FileDateOf(zipName_);
  ForgetDirectory();
  directory_ = std::make_unique<TSortedZip>();
  volumeCount_ = 1;
  if (!FindEndRecord()) {
    TIncompleteZipMode mode = IncompleteZipMode;
    if (OnInCompleteZip) OnInCompleteZip(*this, mode);
    IncompleteZipMode = mode;
    if (mode == izAssumeMulti) {
      CloseZip();
      throw EIncompleteZip("Incomplete Zip File");
    }
    RebuildByScan();
  } else {
    if (endCentral_.ThisDiskNumber > 0) {
      bool removable = zipName_.size() > 2 && zipName_[1] == ':' &&
                       plat::DriveType(zipName_.substr(0, 3)) == plat::DRIVE_REMOVABLE;
      multiVolumeMode_ = removable ? mvSpanned : mvSplit;
      volumeInUse_ = endCentral_.ThisDiskNumber;
      volumeCount_ = endCentral_.ThisDiskNumber + 1;
      lastVolumeName_ = zipName_;
    }
    if (endCentral_.TotalEntries > 0) {
      if (multiVolumeMode_ != mvSingle && endCentral_.CentralStartDisk != volumeInUse_)
        FetchVolume(endCentral_.CentralStartDisk + 1);
      uint8_t signature[4] = {};
      stream_->Seek(endCentral_.CentralOffset, plat::soBeginning);
      if (stream_->Read(signature, 4) == 4 && GetU32(signature) == kCentralHeaderSignature) {
        stream_->Seek(endCentral_.CentralOffset, plat::soBeginning);
        ReadCentralHeaders(endCentral_.TotalEntries, false);
      } else {
        RebuildByScan();
      }
    }
    if (multiVolumeMode_ != mvSingle && endCentral_.CommentLength > 0 &&
        volumeInUse_ != volumeCount_ - 1) {
      // The comment was taken with the end record; coming back keeps the last volume in use.
      FetchVolume(volumeCount_);
    }
  }
  BuildView();
}

// Looks for the end record from the end of the file backwards, within the last 65528 bytes.
bool TZipReader::FindEndRecord() {
  int64_t size = stream_->Size();
  if (size < kEndCentralSize) return false;
  int64_t window = std::min(size, kEndSearchWindow);
  std::vector<uint8_t> buffer(static_cast<size_t>(window));
  stream_->Seek(size - window, plat::soBeginning);
  int32_t got = stream_->Read(buffer.data(), static_cast<int32_t>(window));
  if (got != window) return false;
  for (int64_t i = window - kEndCentralSize; i >= 0; --i) {
    const uint8_t* p = buffer.data() + i;
    if (p[0] != 'P' || GetU32(p) != kEndCentralSignature) continue;
    endCentral_.ReadFields(p);
    // The comment fills the end of the file; a length beyond the file is cut to what is there.
    int64_t room = window - (i + kEndCentralSize);
    int64_t length = std::min<int64_t>(endCentral_.CommentLength, room);
    endCentral_.CommentLength = static_cast<uint16_t>(length);
    endCentral_.Comment.assign(reinterpret_cast<const char*>(buffer.data() + window - length),
                               static_cast<size_t>(length));
    endCentral_.CommentPosition = size - length;
    return true;
  }
  return false;
}

// Reads from the archive; in a multi-volume set a short read goes on at the next volume.
int32_t TZipReader::ReadArchive(void* buffer, int32_t count, bool spanning) {
  auto* out = static_cast<uint8_t*>(buffer);
  int32_t got = stream_->Read(out, count);
  while (spanning && got < count && multiVolumeMode_ != mvSingle &&
         volumeInUse_ + 1 < volumeCount_) {
    FetchVolume(volumeInUse_ + 2);
    got += stream_->Read(out + got, count - got);
  }
  return got;
}

bool TZipReader::SkipArchive(int64_t count, bool spanning) {
  if (count == 0) return true;
  if (count <= kSmallSkip) {  // read through the buffer rather than seek and drop it
    uint8_t scratch[kSmallSkip];
    return ReadArchive(scratch, static_cast<int32_t>(count), spanning) == count;
  }
  int64_t position = stream_->Position();
  int64_t size = stream_->Size();
  if (position + count <= size) {
    stream_->Seek(position + count, plat::soBeginning);
    return true;
  }
  if (!spanning || multiVolumeMode_ == mvSingle) return false;
  std::vector<uint8_t> scratch(static_cast<size_t>(count));
  return ReadArchive(scratch.data(), static_cast<int32_t>(count), true) == count;
}

// One central header at the current position. False, with the stream back where the header
// began, when it cannot be read completely.
bool TZipReader::ReadCentralHeader(TZipHeaderInfo& entry, bool spanning, int64_t& position) {
  int64_t start = position;
  int64_t consumed = kCentralHeaderSize;
  int startVolume = volumeInUse_;
  uint8_t header[kCentralHeaderSize];
  bool ok = ReadArchive(header, kCentralHeaderSize, spanning) == kCentralHeaderSize &&
            GetU32(header) == kCentralHeaderSignature;
  if (ok) {
    entry.ReadCentralFields(header);
    entry.CentralOffset = static_cast<uint32_t>(start);
    std::string name(entry.FileNameLength, '\0');
    consumed +=
        static_cast<int64_t>(name.size()) + entry.ExtraFieldLength + entry.FileCommentLength;
    ok = ReadArchive(name.data(), static_cast<int32_t>(name.size()), spanning) ==
             static_cast<int32_t>(name.size()) &&
         SkipArchive(entry.ExtraFieldLength, spanning);
    if (ok) entry.SetStoredName(name);
    if (ok && entry.FileCommentLength > 0) {
      std::string comment(entry.FileCommentLength, '\0');
      ok = ReadArchive(comment.data(), static_cast<int32_t>(comment.size()), spanning) ==
           static_cast<int32_t>(comment.size());
      if (ok) entry.FileComment = std::move(comment);
    }
  }
  if (!ok) {
    if (volumeInUse_ == startVolume) stream_->Seek(start, plat::soBeginning);
    return false;
  }
  position = volumeInUse_ == startVolume ? start + consumed : stream_->Position();
  return true;
}

void TZipReader::ReadCentralHeaders(int count, bool afterScan) {
  bool spanning = !afterScan && multiVolumeMode_ != mvSingle;
  int64_t position = stream_->Position();
  for (int i = 0; i < count; ++i) {
    auto entry = std::make_unique<TZipHeaderInfo>();
    if (!ReadCentralHeader(*entry, spanning, position)) {
      if (afterScan) return;  // the scanned records keep their local headers' data
      FailBadZip();
    }
    if (!afterScan) {
      directory_->Add(std::move(entry));
      continue;
    }
    int found = directory_->IndexOf(*entry);
    if (found < 0) continue;
    TZipHeaderInfo& record = directory_->Items(found);
    uint32_t scannedOffset = record.RelOffLocalHdr;
    record.Assign(*entry);
    record.RelOffLocalHdr = scannedOffset;
  }
}

// ---- Rebuilding the directory by scanning for local headers --------------------------------

// Pending user-interface messages are let through only on the main thread; an extraction on
// another thread learns of a cancel through the flag alone.
void TZipReader::LetMessagesThrough() {
  if (forms::Application && forms::Application->IsMainThread())
    forms::Application->ProcessMessages();
}

bool TZipReader::FindLocalSignature() {
  int64_t start = plat::ExtractFileExt(zipName_) == ".EXE" ? kExeScanStart : 0;
  int64_t size = stream_->Size();
  if (start >= size) return false;
  stream_->Seek(start, plat::soBeginning);
  std::vector<uint8_t> block(65536 + 3);
  int64_t position = start;  // file offset of block[0]
  int32_t kept = 0;          // bytes carried over from the previous block
  int64_t nextBreath = start + kScanBreathEvery;
  while (true) {
    int32_t got = stream_->Read(block.data() + kept, 65536);
    if (got <= 0) return false;
    int32_t valid = kept + got;
    for (int32_t i = 0; i + 3 < valid; ++i) {
      int64_t offset = position + i;
      if (DoProcessMessages && offset >= nextBreath) {
        nextBreath += kScanBreathEvery;
        LetMessagesThrough();
        if (cancel_.exchange(false)) throw EUserCanceled("User Aborted Operation");
      }
      if (block[i] == 'P' && GetU32(&block[i]) == kLocalHeaderSignature) {
        stream_->Seek(offset, plat::soBeginning);
        return true;
      }
    }
    kept = std::min<int32_t>(3, valid);
    std::memmove(block.data(), block.data() + valid - kept, static_cast<size_t>(kept));
    position += valid - kept;
  }
}

// Reads consecutive local headers from the current position into the directory.
void TZipReader::ScanLocalHeaders() {
  int64_t position = stream_->Position();
  int64_t size = stream_->Size();
  while (true) {
    stream_->Seek(position, plat::soBeginning);
    uint8_t header[kLocalHeaderSize];
    if (stream_->Read(header, kLocalHeaderSize) != kLocalHeaderSize ||
        GetU32(header) != kLocalHeaderSignature)
      break;
    auto record = std::make_unique<TZipHeaderInfo>();
    record->ReadLocalFields(header);
    std::string name(record->FileNameLength, '\0');
    if (stream_->Read(name.data(), static_cast<int32_t>(name.size())) !=
        static_cast<int32_t>(name.size()))
      break;
    record->SetStoredName(name);
    record->RelOffLocalHdr = static_cast<uint32_t>(position);
    int64_t next = position + kLocalHeaderSize + name.size() + record->ExtraFieldLength +
                   record->CompressedSize + (record->HasDataDescriptor() ? 16 : 0);
    directory_->Add(std::move(record));
    if (next > size || next > 0xFFFFFFFFLL) {
      position = next;
      break;
    }
    position = next;
  }
  if (position <= size) stream_->Seek(position, plat::soBeginning);
  endCentral_.CentralOffset = static_cast<uint32_t>(std::min<int64_t>(position, 0xFFFFFFFF));
}

void TZipReader::RebuildByScan() {
  directory_->Clear();
  multiVolumeMode_ = mvSingle;
  volumeInUse_ = 0;
  volumeCount_ = 1;
  if (!FindLocalSignature()) FailBadZip();
  ScanLocalHeaders();
  endCentral_.TotalEntries = static_cast<uint16_t>(std::min(directory_->Count(), 0xFFFF));
  endCentral_.ThisDiskNumber = 0;
  endCentral_.CentralStartDisk = 0;
  if (stream_->Position() == endCentral_.CentralOffset)
    ReadCentralHeaders(directory_->Count(), true);
  rebuilt_ = true;
}

}  // namespace niv
