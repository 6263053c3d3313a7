// nivzip l ARCHIVE | t ARCHIVE | x ARCHIVE DESTDIR [PATTERN...], with -P PASSWORD before the
// archive. Host paths in, host paths out: a scratch machine is made for the run, its drive X:
// showing the archive's folder and Y: the destination (for t: a scratch folder). Exit code 0
// when every member went well, 1 when a member failed (each one is named on stderr), 2 when
// the archive could not be read or the command line is wrong.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "archive/ZipReader.h"
#include "forms/Agent.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "platform/sim/Machine.h"

namespace fs = std::filesystem;
using niv::TZipReader;

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: nivzip [-P PASSWORD] l ARCHIVE\n"
               "       nivzip [-P PASSWORD] t ARCHIVE\n"
               "       nivzip [-P PASSWORD] x ARCHIVE DESTDIR [PATTERN...]\n");
  return 2;
}

// Shows boxes of the reader on stderr and answers them with their first button.
class ToolAgent : public forms::UserAgent {
 public:
  std::optional<int> AnswerBox(const forms::MessageBoxInfo& box) override {
    std::fprintf(stderr, "nivzip: %s: %s\n", plat::AnsiToUtf8(box.Caption).c_str(),
                 plat::AnsiToUtf8(box.Text).c_str());
    return box.Buttons().empty() ? forms::IDOK : box.Buttons().front();
  }
};

// A machine in a temporary host folder, removed at the end of the run.
class ScratchMachine {
 public:
  ScratchMachine(const fs::path& archiveDir, const fs::path& destDir) {
    char pattern[] = "/tmp/nivzip-XXXXXX";
    if (!mkdtemp(pattern)) throw plat::Exception("cannot make a scratch folder");
    root_ = pattern;
    plat::sim::MachineOptions options;
    options.drives.push_back({'X', plat::DRIVE_FIXED, "", -1, archiveDir.string()});
    options.drives.push_back({'Y', plat::DRIVE_FIXED, "", -1, destDir.string()});
    plat::sim::CreateMachineLayout((root_ / "machine").string(), options);
    plat::sim::UseMachine((root_ / "machine").string());
  }
  ~ScratchMachine() {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  fs::path Root() const { return root_; }

 private:
  fs::path root_;
};

std::string Utf8(const std::string& ansi) {
  return plat::AnsiToUtf8(ansi);
}

std::string DosDate(uint32_t dos) {
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", 1980 + (dos >> 25),
                (dos >> 21) & 15, (dos >> 16) & 31, (dos >> 11) & 31, (dos >> 5) & 63,
                (dos & 31) * 2);
  return text;
}

std::string Attributes(uint32_t a) {
  std::string s;
  s += a & 0x10 ? 'D' : '-';
  s += a & 0x20 ? 'A' : '-';
  s += a & 0x04 ? 'S' : '-';
  s += a & 0x02 ? 'H' : '-';
  s += a & 0x01 ? 'R' : '-';
  return s;
}

void List(TZipReader& reader) {
  reader.ReadZipDirectory();
  std::printf("%10s %10s %6s %-19s %-8s %-5s %s\n", "Size", "Packed", "Method", "Date", "CRC",
              "Attr", "Name");
  for (int i = 0; i < reader.EntryCount(); ++i) {
    const niv::TZipHeaderInfo& e = reader.Entry(i);
    std::printf("%10u %10u %6u %-19s %08x %-5s %s\n", e.UncompressedSize, e.CompressedSize,
                e.ComprMethod, DosDate(e.ModifDateTime).c_str(), e.CRC32,
                Attributes(e.ExternalAttributes).c_str(), Utf8(e.FullName()).c_str());
  }
  std::printf("%d entries\n", reader.EntryCount());
}

// Extracts into Y: and names every member that failed; the number of failures.
int Extract(TZipReader& reader, const std::vector<std::string>& patterns, bool quiet) {
  int failures = 0;
  auto fail = [&](const std::string& name, const char* why) {
    ++failures;
    std::fprintf(stderr, "nivzip: %s: %s\n", Utf8(name).c_str(), why);
  };
  reader.OnBadCRC = [&](TZipReader& r, uint32_t, uint32_t, int i) {
    fail(r.Entry(i).FullName(), "bad CRC");
  };
  reader.OnSkippingFile = [&](TZipReader&, niv::TSkipReason why, const std::string& name, int) {
    fail(name, why == niv::srBadPassword  ? "wrong password"
               : why == niv::srUnsafePath ? "path leads outside the destination, not written"
                                          : "skipped");
  };
  reader.OnEndUnZip = [&](TZipReader& r, int i, const std::string&) {
    if (!quiet) std::printf("%s\n", Utf8(r.Entry(i).FullName()).c_str());
  };
  reader.SetDestDir("Y:\\");
  reader.DoAll = patterns.empty();
  for (const std::string& p : patterns) reader.FilesList.push_back(plat::Utf8ToAnsi(p));
  reader.RecreateDirs = true;
  reader.OverwriteMode = niv::Always;
  reader.ExtractFiles();
  return failures;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::optional<std::string> password;
  std::vector<std::string> rest;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-P" && i + 1 < args.size() && rest.size() < 2) {
      password = args[++i];
      continue;
    }
    rest.push_back(args[i]);
  }
  if (rest.size() < 2) return Usage();
  std::string command = rest[0];
  if ((command == "l" || command == "t") && rest.size() != 2) return Usage();
  if (command == "x" && rest.size() < 3) return Usage();
  if (command != "l" && command != "t" && command != "x") return Usage();

  std::error_code ec;
  fs::path archive = fs::absolute(rest[1], ec);
  if (!fs::is_regular_file(archive)) {
    std::fprintf(stderr, "nivzip: %s: no such file\n", rest[1].c_str());
    return 2;
  }
  try {
    fs::path scratchDest;
    fs::path dest;
    if (command == "x") {
      dest = fs::absolute(rest[2]);
      fs::create_directories(dest);
    }
    forms::SetAgent(std::make_unique<ToolAgent>());
    std::unique_ptr<ScratchMachine> machine;
    if (command == "t") {
      // Members are written into a scratch folder and checked there.
      char pattern[] = "/tmp/nivzip-test-XXXXXX";
      if (!mkdtemp(pattern)) throw plat::Exception("cannot make a scratch folder");
      scratchDest = pattern;
      dest = scratchDest;
    }
    machine = std::make_unique<ScratchMachine>(archive.parent_path(),
                                               dest.empty() ? archive.parent_path() : dest);
    TZipReader reader;
    reader.IncompleteZipMode = niv::izAssumeBad;  // a damaged archive is read as far as it goes
    if (password) reader.Password = plat::Utf8ToAnsi(*password);
    reader.SetZipName("X:\\" + plat::Utf8ToAnsi(archive.filename().string()));
    int failures = 0;
    if (command == "l") {
      List(reader);
    } else {
      std::vector<std::string> patterns(rest.begin() + (command == "x" ? 3 : 2), rest.end());
      failures = Extract(reader, patterns, command == "t");
      if (command == "t")
        std::printf("%s: %d of %d members OK\n", rest[1].c_str(), reader.EntryCount() - failures,
                    reader.EntryCount());
    }
    machine.reset();
    if (!scratchDest.empty()) fs::remove_all(scratchDest, ec);
    return failures ? 1 : 0;
  } catch (const plat::Exception& e) {
    std::fprintf(stderr, "nivzip: %s: %s: %s\n", rest[1].c_str(), e.ClassName().c_str(),
                 Utf8(e.Message()).c_str());
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "nivzip: %s: %s\n", rest[1].c_str(), e.what());
    return 2;
  }
}
