#include "app/RunState.h"

namespace niv {

std::string SetupFileName = "setup.idf";
std::string LicenceFileName = "licence.txt";
std::string UninstInfName = "uninst.inf";
std::string TempDir;
std::string StartDir;
std::unique_ptr<TLogFile> ProgramLog;
bool ContinueRun = false;
bool UninstallRun = false;
std::unique_ptr<TIDFTextFile> SetupDescription;
TLanguage Language = lgRussian;
std::string SystemName;
std::string DestDir;
bool UseRegistry = true;
int32_t SetupType = 0;
bool RebootPending = false;
TfmBackGrnd* fmBackGrnd = nullptr;
TfmInstDlg* fmInstDlg = nullptr;
std::string MessageCaption;

void LogLine(std::string_view text) {
  if (ProgramLog) ProgramLog->WriteLine(text);
}

void ResetRunState() {
  SetupDescription.reset();
  ProgramLog.reset();
  SetupFileName = "setup.idf";
  LicenceFileName = "licence.txt";
  UninstInfName = "uninst.inf";
  TempDir.clear();
  StartDir.clear();
  ContinueRun = false;
  UninstallRun = false;
  Language = lgRussian;
  SystemName.clear();
  DestDir.clear();
  UseRegistry = true;
  SetupType = 0;
  RebootPending = false;
  fmBackGrnd = nullptr;
  fmInstDlg = nullptr;
  MessageCaption.clear();
}

}  // namespace niv
