// nivsim put, get, ls and cat: files in and out of a machine, through the platform layer so that
// the machine's rules (case, attributes, sharing) hold.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "Commands.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Stream.h"
#include "platform/Text.h"
#include "platform/sim/Machine.h"
#include "platform/sim/MachineConfig.h"

namespace fs = std::filesystem;

namespace nivsim {
namespace {

constexpr int32_t kChunk = 1 << 16;

void OpenMachine(const std::string& dir) {
  plat::sim::UseMachine(dir);
  (void)plat::sim::CurrentMachine();  // a missing or damaged machine.ini is an error here
}

std::string Shown(const std::string& ansi) {
  return plat::AnsiToUtf8(ansi);
}

// Creates the folder and the folders above it that are missing.
void EnsureDirectory(const std::string& path) {
  if (path.empty() || plat::DirectoryExists(path)) return;
  const std::string parent = plat::ExtractFilePath(plat::ExcludeTrailingBackslash(path));
  if (!parent.empty() && parent != path) EnsureDirectory(parent);
  if (!plat::CreateDir(plat::ExcludeTrailingBackslash(path)))
    throw plat::Exception("Cannot create the folder \"" + Shown(path) +
                          "\": " + plat::SysErrorMessage(plat::LastError()));
}

plat::FileTime ToFileTime(fs::file_time_type time) {
  const auto sys = std::chrono::file_clock::to_sys(time);
  const auto ticks = std::chrono::duration_cast<std::chrono::nanoseconds>(sys.time_since_epoch());
  return static_cast<plat::FileTime>(ticks.count() / 100 + 116444736000000000LL);
}

void PutFile(const fs::path& host, const std::string& win) {
  std::ifstream in(host, std::ios::binary);
  if (!in) throw plat::Exception("Cannot read \"" + host.string() + "\"");
  plat::TFileStream out(win, plat::fmCreate);
  std::string buffer(kChunk, '\0');
  while (in) {
    in.read(buffer.data(), kChunk);
    const auto n = static_cast<int32_t>(in.gcount());
    if (n > 0) out.WriteBuffer(buffer.data(), n);
  }
  std::error_code ec;
  const auto time = fs::last_write_time(host, ec);
  if (!ec) out.SetModTime(ToFileTime(time));
}

void PutTree(const fs::path& host, const std::string& win) {
  EnsureDirectory(win);
  std::vector<fs::directory_entry> entries{fs::directory_iterator(host), fs::directory_iterator()};
  std::sort(entries.begin(), entries.end());
  for (const auto& entry : entries) {
    const std::string target =
        plat::IncludeTrailingBackslash(win) + plat::Utf8ToAnsi(entry.path().filename().string());
    if (entry.is_directory())
      PutTree(entry.path(), target);
    else
      PutFile(entry.path(), target);
  }
}

struct Entry {
  std::string name;
  uint32_t attr;
  int64_t size;
  plat::DosDateTime time;
};

// The entries a search with the mask finds (every attribute), without "." and "..", by name.
std::vector<Entry> Search(const std::string& mask) {
  std::vector<Entry> entries;
  plat::TSearchRec rec;
  if (plat::FindFirst(mask, plat::faAnyFile, rec) == 0) {
    do {
      if (rec.Name != "." && rec.Name != "..")
        entries.push_back({rec.Name, rec.Attr, rec.Size, rec.Time});
    } while (plat::FindNext(rec) == 0);
    plat::FindClose(rec);
  }
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    return plat::AsciiUpper(a.name) < plat::AsciiUpper(b.name);
  });
  return entries;
}

void GetFile(const std::string& win, const fs::path& host) {
  plat::TFileStream in(win, plat::fmOpenRead | plat::fmShareDenyNone);
  std::ofstream out(host, std::ios::binary | std::ios::trunc);
  if (!out) throw plat::Exception("Cannot write \"" + host.string() + "\"");
  std::string buffer(kChunk, '\0');
  int32_t n;
  while ((n = in.Read(buffer.data(), kChunk)) > 0) out.write(buffer.data(), n);
  if (!out) throw plat::Exception("Cannot write \"" + host.string() + "\"");
}

void GetTree(const std::string& win, const fs::path& host) {
  fs::create_directories(host);
  for (const auto& e : Search(plat::IncludeTrailingBackslash(win) + "*")) {
    const std::string source = plat::IncludeTrailingBackslash(win) + e.name;
    const fs::path target = host / Shown(e.name);
    if (e.attr & plat::faDirectory)
      GetTree(source, target);
    else
      GetFile(source, target);
  }
}

std::string AttributeText(uint32_t attr) {
  std::string text = "-----";
  if (attr & plat::faReadOnly) text[0] = 'R';
  if (attr & plat::faHidden) text[1] = 'H';
  if (attr & plat::faSysFile) text[2] = 'S';
  if (attr & plat::faArchive) text[3] = 'A';
  if (attr & plat::faDirectory) text[4] = 'D';
  return text;
}

std::string TimeText(plat::DosDateTime t) {
  const unsigned date = t >> 16, time = t & 0xFFFF;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u", (date >> 9) + 1980,
                (date >> 5) & 15, date & 31, time >> 11, (time >> 5) & 63, (time & 31) * 2);
  return buf;
}

std::string WindowsArg(const std::string& typed) {
  return plat::ExpandFileName(FromTerminal(typed));
}

}  // namespace

std::string FromTerminal(const std::string& utf8) {
  return plat::Utf8ToAnsi(utf8);
}

int CmdPut(const Args& args) {
  if (args.size() != 3) throw UsageError("put needs DIR HOSTPATH WINPATH");
  OpenMachine(args[0]);
  const fs::path host = args[1];
  std::string win = WindowsArg(args[2]);
  std::error_code ec;
  if (fs::is_directory(host, ec)) {
    PutTree(host, win);
  } else if (fs::exists(host, ec)) {
    if (plat::DirectoryExists(win))
      win = plat::IncludeTrailingBackslash(win) + plat::Utf8ToAnsi(host.filename().string());
    EnsureDirectory(plat::ExtractFilePath(win));
    PutFile(host, win);
  } else {
    throw plat::Exception("No such host file or folder: " + host.string());
  }
  return 0;
}

int CmdGet(const Args& args) {
  if (args.size() != 3) throw UsageError("get needs DIR WINPATH HOSTPATH");
  OpenMachine(args[0]);
  const std::string win = WindowsArg(args[1]);
  fs::path host = args[2];
  std::error_code ec;
  if (plat::DirectoryExists(win)) {
    GetTree(win, host);
  } else if (plat::FileExists(win)) {
    if (fs::is_directory(host, ec)) host /= Shown(plat::ExtractFileName(win));
    GetFile(win, host);
  } else {
    throw plat::Exception("No such file or folder in the machine: " + Shown(win));
  }
  return 0;
}

int CmdLs(const Args& args) {
  if (args.size() != 2) throw UsageError("ls needs DIR WINPATH");
  OpenMachine(args[0]);
  const std::string win = WindowsArg(args[1]);
  const std::string mask =
      plat::DirectoryExists(win) ? plat::IncludeTrailingBackslash(win) + "*" : win;
  const std::vector<Entry> entries = Search(mask);
  if (entries.empty() && !plat::DirectoryExists(win))
    throw plat::Exception("File not found: " + Shown(win));
  for (const auto& e : entries) {
    char size[32];
    if (e.attr & plat::faDirectory)
      std::snprintf(size, sizeof size, "%12s", "<DIR>");
    else
      std::snprintf(size, sizeof size, "%12lld", static_cast<long long>(e.size));
    std::cout << AttributeText(e.attr) << " " << size << "  " << TimeText(e.time) << "  "
              << Shown(e.name) << "\n";
  }
  return 0;
}

int CmdCat(const Args& args) {
  bool utf8 = false;
  Args rest;
  for (const auto& a : args) {
    if (a == "--utf8")
      utf8 = true;
    else
      rest.push_back(a);
  }
  if (rest.size() != 2) throw UsageError("cat needs DIR WINPATH");
  OpenMachine(rest[0]);
  const std::string win = WindowsArg(rest[1]);
  plat::TFileStream in(win, plat::fmOpenRead | plat::fmShareDenyNone);
  std::string buffer(kChunk, '\0');
  int32_t n;
  while ((n = in.Read(buffer.data(), kChunk)) > 0) {
    const std::string_view chunk(buffer.data(), static_cast<size_t>(n));
    // 1251 is a single-byte code page: chunks convert independently.
    if (utf8)
      std::cout << plat::AnsiToUtf8(chunk);
    else
      std::cout.write(chunk.data(), n);
  }
  std::cout.flush();
  return 0;
}

}  // namespace nivsim
