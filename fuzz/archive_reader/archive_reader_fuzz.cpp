// Reads the directory of an arbitrary file and extracts every member into a scratch directory
// of a simulated machine. Nothing may be written outside the destination, and every error is
// one of the reader's own.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "archive/ZipReader.h"
#include "forms/Agent.h"
#include "platform/Exceptions.h"
#include "platform/sim/Machine.h"

namespace fs = std::filesystem;

namespace {

fs::path MachineDir() {
  static const fs::path dir = [] {
    char pattern[] = "/tmp/nivzip-fuzz-XXXXXX";
    fs::path root = mkdtemp(pattern);
    plat::sim::CreateMachineLayout((root / "machine").string(), {});
    plat::sim::UseMachine((root / "machine").string());
    static forms::RecordingAgent agent;
    agent.OnBox = [](const forms::MessageBoxInfo& box) {
      return box.Buttons().empty() ? forms::IDOK : box.Buttons().front();
    };
    static forms::ScopedAgent scope(agent);
    return root / "machine" / "drives" / "C";
  }();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fs::path c = MachineDir();
  fs::remove_all(c / "f");
  fs::create_directories(c / "f" / "out" / "deep");
  // The first byte chooses the name, so that the scan of a ".EXE" from offset 14000 is reached.
  const char* name = size > 0 && (data[0] & 1) ? "IN.EXE" : "in.zip";
  std::ofstream(c / "f" / name, std::ios::binary)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  niv::TZipReader reader;
  reader.SetZipName(std::string("C:\\f\\") + name);
  reader.SetDestDir("C:\\f\\out\\deep");
  reader.DoAll = true;
  reader.RecreateDirs = (size > 1 && (data[1] & 1));
  reader.OverwriteMode = niv::Always;
  reader.IncompleteZipMode = niv::izAssumeBad;
  reader.OnGetNextDisk = [](niv::TZipReader&, int, std::string& f) { f.clear(); };
  try {
    reader.ReadZipDirectory();
    for (int i = 0; i < reader.EntryCount(); ++i) (void)reader.EntryDateTime(i);
    reader.ExtractFiles();
  } catch (const plat::Exception&) {
  }
  // Nothing outside the destination but the archive itself.
  for (const auto& e : fs::directory_iterator(c / "f"))
    if (e.path().filename() != name && e.path().filename() != "out") std::abort();
  for (const auto& e : fs::directory_iterator(c / "f" / "out"))
    if (e.path().filename() != "deep") std::abort();
  return 0;
}
