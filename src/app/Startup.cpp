#include "app/Startup.h"

#include <new>
#include <string>

#include "app/Language.h"
#include "app/MessageBoxes.h"
#include "app/RunState.h"
#include "app/Strings.h"
#include "app/SystemServices.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/System.h"
#include "platform/Text.h"

namespace niv {

namespace {

TRunWindowsFn& RunWindowsSeam() {
  static TRunWindowsFn fn;
  return fn;
}

void OpenProgramLog() {
  ProgramLog = std::make_unique<TLogFile>();
  ProgramLog->SetFileName(WithTrailingBackslash(TempDir) + "nivinst.log");
  ProgramLog->WriteHeader = false;
  SetIDFLogSink([](const std::string& text) { LogLine(text); });
  // Two bare time stamps mark the start of a run in a log that grows over many runs.
  ProgramLog->WriteLine("");
  ProgramLog->WriteLine("");
}

void ReadCommandLine() {
  ContinueRun = false;
  if (plat::ParamCount() < 1) return;
  const std::string joined = JoinedCommandLine();
  if (plat::AsciiSameText(joined, "UNINSTALL")) {
    UninstallRun = true;
    return;
  }
  RemoveContinueLink();
  ContinueRun = true;
  SetupFileName = joined;
  LogLine(" command line parameter : " + SetupFileName);
}

// Reads the description and, when it is good, runs the windows of the run.
void RunWithDescription() {
  SetupDescription = std::make_unique<TIDFTextFile>();
  if (!SetupDescription->LoadFromFile(SetupFileName)) {
    LangMessageBox(plat::A("неверный формат файла ") + SetupFileName,
                   "Invalid file format " + SetupFileName, MessageCaption, kErrorBoxFlags);
    return;
  }
  Language = DecideLanguage(*SetupDescription);
  if (RunWindowsSeam()) RunWindowsSeam()();
  if (RebootPending) RebootWindows();
}

void FreeRunObjects() {
  SetupDescription.reset();
  ProgramLog.reset();
}

void ShowStartupError(const std::string& className, const std::string& message) {
  FreeRunObjects();
  try {
    forms::ShowMessageBox(className + message, "", forms::MB_TASKMODAL);
  } catch (...) {
    // Nothing is left to tell the user with.
  }
}

}  // namespace

void SetRunWindows(TRunWindowsFn fn) {
  RunWindowsSeam() = std::move(fn);
}

int RunSetup() {
  SetupFileName = "setup.idf";
  LicenceFileName = "licence.txt";
  UninstInfName = "uninst.inf";
  try {
    TempDir = plat::TempDirectory();
    StartDir = plat::GetCurrentDir();
    OpenProgramLog();
    ClearUninstallSignal();
    ReadCommandLine();
    if (!plat::FileExists(SetupFileName)) {
      LangMessageBox(SetupFileName + plat::A(" не найден"), SetupFileName + " does not exist",
                     MessageCaption, kErrorBoxFlags);
    } else {
      RunWithDescription();
    }
    FreeRunObjects();
    return 0;
  } catch (const plat::Exception& e) {
    ShowStartupError(e.ClassName(), e.Message());
  } catch (const std::bad_alloc&) {
    ShowStartupError("EOutOfMemory", "Out of memory");
  } catch (const std::exception& e) {
    ShowStartupError("Exception", e.what());
  }
  return 1;
}

}  // namespace niv
