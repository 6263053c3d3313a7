#pragma once
// The run-wide state of setup.exe: one instance of each item per process. The start-up owns the
// log and the description; the wizard and the install thread read and set the rest.
#include <cstdint>
#include <memory>
#include <string>

#include "app/LogFile.h"
#include "description/IDFTextFile.h"

namespace niv {

enum TLanguage : int { lgRussian = 0, lgEnglish = 1 };

class TfmBackGrnd;
class TfmInstDlg;

extern std::string SetupFileName;
extern std::string LicenceFileName;
extern std::string UninstInfName;
extern std::string TempDir;   // the Windows temporary directory, with its trailing backslash
extern std::string StartDir;  // the current directory at start
extern std::unique_ptr<TLogFile> ProgramLog;
extern bool ContinueRun;
extern bool UninstallRun;
extern std::unique_ptr<TIDFTextFile> SetupDescription;
extern TLanguage Language;
extern std::string SystemName;
extern std::string DestDir;
extern bool UseRegistry;
extern int32_t SetupType;
extern bool RebootPending;
// The windows of the run; the wizard's code creates them and the application owns them.
extern TfmBackGrnd* fmBackGrnd;
extern TfmInstDlg* fmInstDlg;

// The caption every box of the run passes unless it names its own; it stays empty.
extern std::string MessageCaption;

// Appends a line to ProgramLog when there is one.
void LogLine(std::string_view text);

// Puts every item back to its initial value (for a second run in one process, as tests do).
void ResetRunState();

}  // namespace niv
