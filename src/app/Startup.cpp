#include "app/Startup.h"

#include <new>
#include <string>

#include "app/Language.h"
#include "app/MessageBoxes.h"
#include "app/RunState.h"
#include "app/Strings.h"
#include "app/SystemServices.h"
#include "forms/Application.h"
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

// Until the wizard's windows are registered, a run with a good description says so in the run's
// language instead of ending silently.
void ReportWizardMissing() {
  LangMessageBox(plat::A("Мастер установки отсутствует в этой сборке программы"),
                 "The setup wizard is not part of this build", MessageCaption,
                 forms::MB_TASKMODAL | forms::MB_ICONINFORMATION);
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
  if (RunWindowsSeam())
    RunWindowsSeam()();
  else
    ReportWizardMissing();
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
  // The application object lives for the whole run; its window owns every box.
  std::unique_ptr<forms::TApplication> application;
  if (forms::Application == nullptr) application = std::make_unique<forms::TApplication>();
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
