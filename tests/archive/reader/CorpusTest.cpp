// Every archive of the shared corpus that an oracle extracted: ours extracts the same contents,
// and the same paths where the names are plain ASCII and the oracles agree.
#include <algorithm>
#include <map>
#include <regex>

#include "ReaderFixture.h"
#include "archive/ZipReader.h"

namespace ziptest {
namespace {

const fs::path kCorpus = fs::path(NIV_SHARED_DIR) / "corpus";

struct Row {
  std::string path, methods, digest, compare, notes;
};

std::vector<Row> Manifest() {
  std::vector<Row> rows;
  std::ifstream in(kCorpus / "MANIFEST.tsv");
  std::string line;
  std::getline(in, line);  // the column names
  while (std::getline(in, line)) {
    std::vector<std::string> f;
    size_t start = 0;
    for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
      f.push_back(line.substr(start, tab - start));
    f.push_back(line.substr(start));
    if (f.size() >= 12) rows.push_back({f[0], f[4], f[8], f[10], f[11]});
  }
  return rows;
}

bool MethodsWeDecode(const std::string& methods) {
  std::regex method("(\\d+):");
  for (std::sregex_iterator i(methods.begin(), methods.end(), method), end; i != end; ++i) {
    int m = std::stoi((*i)[1]);
    if (m == 7 || m > 8) return false;
  }
  return true;
}

// The F lines of a digest: "size sha256 path" (path left out when only contents count).
std::vector<std::string> FileLines(const std::string& digest, bool withPaths) {
  std::vector<std::string> lines;
  std::istringstream in(digest);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("F ", 0) != 0) continue;
    std::istringstream f(line.substr(2));
    std::string size, sha, path;
    f >> size >> sha;
    std::getline(f, path);
    lines.push_back(size + " " + sha + (withPaths ? path : ""));
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

std::string Digest(const fs::path& dir) {
  std::string command = "python3 '" +
                        (fs::path(NIV_SHARED_DIR) / "tools" / "tree-digest").string() + "' '" +
                        dir.string() + "'";
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  pclose(pipe);
  return out;
}

// Archives where ours differs from the oracles by design, with the reason.
const std::map<std::string, const char*> kDifferences = {
    {"jszip/backslash.zip", "a '\\' in a stored name separates directories"},
    {"libarchive/test_read_format_zip_7z_deflate.zip", "symbolic links are written as files"},
    {"libarchive/test_read_format_zip_symlink.zip", "symbolic links are written as files"},
    {"libarchive/test_symlink_1.zip", "symbolic links are written as files"},
    {"libarchive/test_symlink_dotdot.zip", "symbolic links are written as files"},
    {"sharpcompress/Zip.Evil.zip", "a path that leaves the destination is not written"},
    {"libarchive/test_read_data_into_fd_size_exceeds_declared_deflate.zip",
     "output stops at the recorded size; the CRC check then deletes the file"},
    {"libarchive/test_read_data_into_fd_size_exceeds_declared_stored.zip",
     "output stops at the recorded size; the CRC check then deletes the file"},
    {"libarchive/test_read_format_zip_size_exceeds_declared_deflate.zip",
     "output stops at the recorded size; the CRC check then deletes the file"},
    {"libarchive/test_read_format_zip_size_exceeds_declared_stored.zip",
     "output stops at the recorded size; the CRC check then deletes the file"},
    {"libzip/incons-central-crc.zip", "the central directory's CRC decides"},
    {"libarchive/test_read_format_zip_encryption_data.zip", "strong encryption is not read"},
    {"libarchive/test_read_format_zip_encryption_partially.zip", "strong encryption is not read"},
    {"libarchive/test_read_format_zip_filename_cp866.zip",
     "two names that differ in letter case only are one file on Windows"},
    {"libarchive/test_read_format_zip_msdos.zip",
     "a directory entry without its trailing '/' is a file, its members fail"},
    {"libzip/multidisk.zip", "it says it is a volume of a set whose other volumes are absent"},
    {"libarchive/test_read_format_zip_uncompressed_size_off_by_4gib.zip", "ZIP64 is not read"},
    {"libarchive/test_read_format_zip_with_invalid_traditional_eocd.zip", "ZIP64 is not read"},
    {"zip-rs-zip2/zip64_demo.zip", "ZIP64 is not read"},
    // Names stored in UTF-8 or in other code pages than the machine's OEM one: their ANSI
    // form holds characters a file name cannot have, so the file cannot be created.
    {"defacto2-server/greek-name.zip", "name without an ANSI form"},
    {"libarchive/test_I.zip", "name without an ANSI form"},
    {"libarchive/test_read_format_zip_filename_cp932.zip", "name without an ANSI form"},
    {"libarchive/test_read_format_zip_filename_koi8r.zip", "name without an ANSI form"},
    {"libarchive/test_read_format_zip_filename_utf8_jp.zip", "name without an ANSI form"},
    {"libarchive/test_read_format_zip_filename_utf8_ru.zip", "name without an ANSI form"},
    {"libarchive/test_read_format_zip_filename_utf8_ru2.zip", "name without an ANSI form"},
    {"libzip/test-cp437.zip", "name without an ANSI form"},
    {"sharpcompress/WinZip26.nocomp.multi/WinZip26.nocomp.multi.zip", "name without an ANSI form"},
    {"sharpcompress/Zip.deflate.dd.zip", "name without an ANSI form"},
    {"zip-rs-zip2/non_utf8.zip", "name without an ANSI form"},
};

class CorpusTest : public ReaderTest {
 protected:
  plat::sim::MachineOptions MachineOptionsForTest() override {
    plat::sim::MachineOptions options;
    options.drives.push_back({'X', plat::DRIVE_CDROM, "CORPUS", -1, kCorpus.string()});
    return options;
  }
};

TEST_F(CorpusTest, ExtractsWhatTheOraclesExtract) {
  if (!fs::exists(kCorpus / "MANIFEST.tsv")) GTEST_SKIP() << "no corpus beside the repository";
  int checked = 0;
  std::vector<std::string> problems;
  for (const Row& row : Manifest()) {
    if (row.digest.empty() || !MethodsWeDecode(row.methods)) continue;
    if (row.notes.find("NOT a PK multi-volume set") != std::string::npos) continue;
    if (kDifferences.count(row.path)) continue;
    fs::path archive = row.path;
    fs::path numbered = kCorpus / archive.parent_path();
    numbered += ".numbered";
    if (fs::is_directory(numbered))  // a multi-volume set: its numbered parts
      for (const auto& e : fs::directory_iterator(numbered))
        if (e.path().extension() == ".ZIP") archive = fs::relative(e.path(), kCorpus);
    std::string windows = "X:\\" + archive.string();
    std::replace(windows.begin(), windows.end(), '/', '\\');

    std::smatch password;
    std::regex passwordNote("password=([^;]+)");
    niv::TZipReader reader;
    if (std::regex_search(row.notes, password, passwordNote)) reader.Password = password[1];
    std::string dest = "C:\\out\\" + std::to_string(++checked);
    reader.SetZipName(windows);
    reader.SetDestDir(dest);
    reader.DoAll = true;
    reader.RecreateDirs = true;
    reader.OverwriteMode = niv::Always;
    reader.IncompleteZipMode = niv::izAssumeBad;
    int written = -1;
    try {
      written = reader.ExtractFiles();
    } catch (const plat::Exception& e) {
      problems.push_back(row.path + ": " + e.ClassName() + ": " + e.Message());
      continue;
    }
    EXPECT_GE(written, 0);
    std::string expected = ReadHost(kCorpus / row.digest);
    fs::path out = HostC() / "out" / std::to_string(checked);
    std::string ours = fs::exists(out) ? Digest(out) : "";
    bool ascii = expected.find("\\x") == std::string::npos &&
                 std::all_of(expected.begin(), expected.end(),
                             [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    bool paths = ascii && row.compare == "same";
    auto got = FileLines(ours, paths), want = FileLines(expected, paths);
    if (got != want) {
      std::vector<std::string> missing, extra;
      std::set_difference(want.begin(), want.end(), got.begin(), got.end(),
                          std::back_inserter(missing));
      std::set_difference(got.begin(), got.end(), want.begin(), want.end(),
                          std::back_inserter(extra));
      problems.push_back(row.path + ": missing " + std::to_string(missing.size()) +
                         (missing.empty() ? "" : " (" + missing[0] + ")") + ", extra " +
                         std::to_string(extra.size()) +
                         (extra.empty() ? "" : " (" + extra[0] + ")"));
    }
  }
  for (const auto& p : problems) ADD_FAILURE() << p;
  EXPECT_GT(checked, 100);  // the corpus was found and read
}

}  // namespace
}  // namespace ziptest
