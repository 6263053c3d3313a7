// The volumes of a multi-volume set: spanned over removable disks (every disk holds a file of
// the same name, its volume label ends in the disk's number) or split into numbered parts
// (DATA.001, DATA.002, ..., the last part keeping the name that holds the end record).
#include <cstdio>

#include "archive/BufferStream.h"
#include "archive/ZipReader.h"
#include "forms/MessageBox.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Stream.h"

namespace niv {

namespace {

std::string ThreeDigits(int number) {
  char text[16];
  std::snprintf(text, sizeof text, "%3.3d", number);
  return text;
}

uint64_t FileDateOf(const std::string& name) {
  plat::FileTime time = 0;
  return plat::FileGetModTime(name, time) ? time : 0;
}

}  // namespace

void TZipReader::OpenVolume(const std::string& name, bool firstNamed) {
  uint16_t share = firstNamed ? plat::fmShareDenyWrite : plat::fmShareCompat;
  stream_ = std::make_unique<TLFNFileStream>(name, plat::fmOpenRead | share);
}

bool TZipReader::VolumeLabelMatches(int volume) const {
  std::string label;
  uint32_t serial = 0;
  if (!plat::VolumeInformation(zipName_.substr(0, 3), label, serial)) return false;
  std::string head = label.substr(0, 11);
  std::string number = ThreeDigits(volume);
  return head.size() >= number.size() &&
         head.compare(head.size() - number.size(), number.size(), number) == 0;
}

// Closes the volume in use and opens volume `volume` (numbered from 1) as the handler names it.
void TZipReader::FetchVolume(int volume) {
  CloseArchiveStream();
  while (true) {
    std::string fName = zipName_;
    if (OnGetNextDisk) OnGetNextDisk(*this, volume, fName);
    if (fName.empty()) throw EUserCanceled("User canceled loading new disk.");
    if (multiVolumeMode_ == mvSpanned && diskLabelCheck_ && !VolumeLabelMatches(volume)) continue;
    if (!plat::FileExists(fName)) continue;
    OpenVolume(fName, false);
    zipName_ = fName;
    volumeInUse_ = volume - 1;
    zipFileDate_ = FileDateOf(fName);
    return;
  }
}

void TZipReader::DefaultGetNextDisk(TZipReader& sender, int nextDisk, std::string& fName) {
  if (multiVolumeMode_ == mvSpanned) {
    std::string text = "Please insert disk " + std::to_string(nextDisk) + " of the multi-disk set.";
    if (forms::ShowMessageBox(text, "Confirm", forms::MB_OKCANCEL | forms::MB_ICONQUESTION) !=
        forms::IDOK)
      fName.clear();
    return;
  }
  // A split set: the last part keeps its own name. A part that is not there refuses the volume
  // instead of asking for it again and again.
  if (nextDisk == volumeCount_ && !lastVolumeName_.empty())
    fName = lastVolumeName_;
  else
    fName = plat::ChangeFileExt(fName, "." + ThreeDigits(nextDisk));
  if (!plat::FileExists(fName)) fName.clear();
}

}  // namespace niv
