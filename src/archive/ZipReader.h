#pragma once
// TZipReader: reads the directory of a ZIP archive (plain, self-extracting, without its end
// record, spanned over removable disks or split into numbered parts) and extracts the selected
// members below a destination directory. It only reads archives, never writes them.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/SortedZip.h"
#include "archive/ZipErrors.h"
#include "archive/ZipHeaderInfo.h"
#include "forms/Classes.h"

namespace plat {
class TStream;
}

namespace niv {

class TDecompressor;
struct TDecompressHost;

enum TUZOverwriteMode { Prompt = 0, Always, Never };
enum TIncompleteZipMode { izAssumeMulti = 0, izAssumeBad };
// Why a member was passed over: a wrong password, an existing file that stays, or a path that
// would lead outside the destination directory.
enum TSkipReason { srBadPassword = 0, srFileExists = 1, srUnsafePath = 2 };

class TZipReader;
using TStartUnzipInfo =
    std::function<void(TZipReader& Sender, int NumFiles, int64_t TotalBytes, bool& StopNow)>;
using TFilePercentDone = std::function<void(TZipReader& Sender, int Percent)>;
using TTotalPercentDone = std::function<void(TZipReader& Sender, int Percent)>;
using TStartUnZipEvent =
    std::function<void(TZipReader& Sender, int FileIndex, const std::string& FName, bool& Skip)>;
using TEndUnZipEvent =
    std::function<void(TZipReader& Sender, int FileIndex, const std::string& FName)>;
using TPromptForOverwrite =
    std::function<void(TZipReader& Sender, bool& OverWriteIt, int FileIndex, std::string& FName)>;
using TSkippingFile = std::function<void(TZipReader& Sender, TSkipReason Reason,
                                         const std::string& FName, int FileIndex)>;
using TBadPassword =
    std::function<void(TZipReader& Sender, int FileIndex, std::string& NewPassword)>;
using TBadCRC =
    std::function<void(TZipReader& Sender, uint32_t CalcCRC, uint32_t StoredCRC, int FileIndex)>;
using TIncompleteZip = std::function<void(TZipReader& Sender, TIncompleteZipMode& IncompleteMode)>;
using TGetNextDisk = std::function<void(TZipReader& Sender, int NextDisk, std::string& FName)>;

enum TMultiVolumeMode { mvSingle = 0, mvSpanned = 1, mvSplit = 2 };

class TZipReader : public forms::TComponent {
 public:
  explicit TZipReader(forms::TComponent* owner = nullptr);
  ~TZipReader() override;
  const char* ClassName() const override { return "TZipReader"; }
  TZipReader(const TZipReader&) = delete;
  TZipReader& operator=(const TZipReader&) = delete;

  // Called once the properties have been loaded: fixes ThisVersion and puts the default
  // next-volume handler back when none is set.
  virtual void Loaded();

  // Properties.
  const std::string& ZipName() const { return zipName_; }
  virtual void SetZipName(const std::string& name);
  const std::string& DestDir() const { return destDir_; }
  void SetDestDir(const std::string& dir);
  const std::string& RootDir() const { return rootDir_; }
  void SetRootDir(const std::string& dir);
  TZipSortMode SortMode() const { return sortMode_; }
  void SetSortMode(TZipSortMode mode);
  bool RecreateDirs = false;
  TUZOverwriteMode OverwriteMode = Prompt;
  std::vector<std::string> FilesList;
  bool DoAll = false;
  TIncompleteZipMode IncompleteZipMode = izAssumeMulti;
  bool KeepZipOpen = false;
  bool DoProcessMessages = true;
  bool RetainAttributes = true;
  int ThisVersion() const { return thisVersion_; }
  // The password for encrypted members (empty unless set).
  std::string Password;

  // Events.
  TStartUnzipInfo OnStartUnZipInfo;
  TFilePercentDone OnFilePercentDone;
  TTotalPercentDone OnTotalPercentDone;
  TStartUnZipEvent OnStartUnZip;
  TEndUnZipEvent OnEndUnZip;
  TPromptForOverwrite OnPromptForOverwrite;
  TSkippingFile OnSkippingFile;
  TBadPassword OnBadPassword;
  TBadCRC OnBadCRC;
  TIncompleteZip OnInCompleteZip;
  TGetNextDisk OnGetNextDisk;

  // Operations.
  void ReadZipDirectory();
  int EntryCount() const;
  std::string EntryName(int index) const;
  std::string EntryPath(int index) const;
  TDateTime EntryDateTime(int index) const;
  uint32_t EntrySize(int index) const;
  uint32_t EntryAttributes(int index) const;
  // The whole record of an entry, in SortMode order like the reads above.
  const TZipHeaderInfo& Entry(int index) const;
  const TEndCentral& EndCentral() const { return endCentral_; }
  int ExtractFiles();
  void CancelExtraction() { cancel_ = true; }
  void CloseZip();
  bool Busy() const { return busy_; }
  bool DirectoryRebuilt() const { return rebuilt_; }

  // Volumes of a multi-volume set.
  virtual bool DiskLabelCheck() const { return diskLabelCheck_; }
  virtual void SetDiskLabelCheck(bool check) { diskLabelCheck_ = check; }
  virtual TMultiVolumeMode MultiVolumeMode() const { return multiVolumeMode_; }
  virtual void SetMultiVolumeMode(TMultiVolumeMode mode) { multiVolumeMode_ = mode; }
  int VolumeInUse() const { return volumeInUse_; }  // 0-based
  int VolumeCount() const { return volumeCount_; }

  // The handler installed for OnGetNextDisk: asks for a disk of a spanned set, names the
  // numbered part of a split set.
  void DefaultGetNextDisk(TZipReader& sender, int nextDisk, std::string& fName);

 private:
  // Archive stream and directory.
  void OpenArchive();
  void CloseArchiveStream();
  void ForgetDirectory();
  void ReadDirectory();
  bool FindEndRecord();
  void ReadCentralHeaders(int count, bool afterScan);
  bool ReadCentralHeader(TZipHeaderInfo& entry, bool spanning, int64_t& position);
  void RebuildByScan();
  bool FindLocalSignature();
  void ScanLocalHeaders();
  void BuildView();
  void FailBadZip();
  int32_t ReadArchive(void* buffer, int32_t count, bool spanning);
  bool SkipArchive(int64_t count, bool spanning);
  void LetMessagesThrough();

  // Volumes.
  void FetchVolume(int volume);
  void OpenVolume(const std::string& name, bool firstNamed);
  bool VolumeLabelMatches(int volume) const;

  // Extraction.
  int ExtractSelected(TDecompressor& decompressor);
  int SelectMembers(int64_t& totalBytes);
  bool ExtractMember(TZipHeaderInfo& entry, int fileIndex, TDecompressor& decompressor);
  bool PlaceOnMemberData(const TZipHeaderInfo& entry, uint8_t (&localHeader)[kLocalHeaderSize]);
  bool DestinationDirectory(const TZipHeaderInfo& entry, std::string& dir) const;
  bool CheckPassword(int fileIndex, const TZipHeaderInfo& entry,
                     const uint8_t (&localHeader)[kLocalHeaderSize], TDecompressHost& host);
  bool MayWrite(int fileIndex, std::string& fName);
  int ViewIndexOf(const TZipHeaderInfo& entry) const;
  void SkipMember(TSkipReason reason, const std::string& fName, int fileIndex);

  std::string zipName_;
  std::string destDir_;
  std::string rootDir_;
  TZipSortMode sortMode_ = ByNone;
  int thisVersion_ = 217;

  std::unique_ptr<plat::TStream> stream_;
  std::unique_ptr<TSortedZip> directory_;
  std::unique_ptr<TSortedZipView> view_;  // only for a SortMode other than ByNone
  TEndCentral endCentral_;
  uint64_t zipFileDate_ = 0;
  std::string lastVolumeName_;  // the part of a split set that holds the end record
  int volumeInUse_ = 0;
  int volumeCount_ = 0;
  TMultiVolumeMode multiVolumeMode_ = mvSingle;
  bool diskLabelCheck_ = true;
  bool rebuilt_ = false;
  std::atomic<bool> cancel_{false};
  bool busy_ = false;
  int64_t toWrite_ = 0;
  int64_t written_ = 0;
};

}  // namespace niv
