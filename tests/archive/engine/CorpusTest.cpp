// Every member of methods 0 to 6 and 8 in the shared corpus whose archive has a digest decodes to
// the digest's bytes with a matching CRC.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "EngineTestSupport.h"

namespace niv::test {
namespace {

const std::filesystem::path kCorpus = std::filesystem::path(NIV_SHARED_DIR) / "corpus";

std::vector<std::string> Split(const std::string& line, char sep) {
  std::vector<std::string> parts;
  std::stringstream s(line);
  for (std::string part; std::getline(s, part, sep);) parts.push_back(part);
  return parts;
}

// "size sha256" of every file the digest lists.
std::multiset<std::string> DigestContents(const std::filesystem::path& digest) {
  std::multiset<std::string> contents;
  std::ifstream f(digest);
  for (std::string line; std::getline(f, line);) {
    auto fields = Split(line, ' ');
    if (fields.size() >= 4 && fields[0] == "F") contents.insert(fields[1] + " " + fields[2]);
  }
  return contents;
}

// "size sha256" of the files below each subdirectory of dir, by subdirectory; one run of the
// digest tool for the whole tree.
std::map<std::string, std::multiset<std::string>> TreeContents(const std::filesystem::path& dir) {
  std::map<std::string, std::multiset<std::string>> contents;
  std::string command = "python3 '" + (kCorpus.parent_path() / "tools" / "tree-digest").string() +
                        "' '" + dir.string() + "'";
  FILE* p = popen(command.c_str(), "r");
  char line[512];
  while (p && fgets(line, sizeof line, p)) {
    auto fields = Split(line, ' ');
    if (fields.size() < 4 || fields[0] != "F") continue;
    std::string path = fields[3];
    contents[path.substr(0, path.find('/'))].insert(fields[1] + " " + fields[2]);
  }
  if (p) pclose(p);
  return contents;
}

// Members whose recorded size or CRC contradicts their data, which an oracle extracted anyway: the
// size guard or the CRC comparison refuses them.
const std::map<std::string, std::string> kRefused = {
    {"libarchive/test_read_data_into_fd_size_exceeds_declared_deflate.zip:first",
     "EBiggerThanUncompressed"},
    {"libarchive/test_read_data_into_fd_size_exceeds_declared_stored.zip:first",
     "EBiggerThanUncompressed"},
    {"libarchive/test_read_format_zip_size_exceeds_declared_deflate.zip:first",
     "EBiggerThanUncompressed"},
    {"libarchive/test_read_format_zip_size_exceeds_declared_stored.zip:first",
     "EBiggerThanUncompressed"},
    {"libzip/incons-central-crc.zip:a", "CRC"},
};

// An archive whose comment holds a second archive: which directory is "the" directory is the
// reader's question; the digest describes the other one.
const std::set<std::string> kOtherDirectory = {"libzip/zip-in-archive-comment.zip"};

std::string PasswordOf(const std::string& notes) {
  auto at = notes.find("password=");
  if (at == std::string::npos) return {};
  auto end = notes.find(';', at);
  return notes.substr(at + 9, end == std::string::npos ? std::string::npos : end - at - 9);
}

TEST(Corpus, MembersDecodeToTheirDigest) {
  if (!std::filesystem::exists(kCorpus / "MANIFEST.tsv")) GTEST_SKIP() << "no corpus";
  std::ifstream manifest(kCorpus / "MANIFEST.tsv");
  std::string line;
  std::getline(manifest, line);  // column names
  std::map<unsigned, int> decodedByMethod;
  std::map<std::string, std::pair<std::string, std::string>> digestOf;  // sub: archive, digest
  TTempDir out;
  while (std::getline(manifest, line)) {
    auto cols = Split(line, '\t');
    if (cols.size() < 9 || cols[8].empty()) continue;  // no digest: a negative case
    const std::string archive = cols[0];
    const std::string notes = cols.size() > 11 ? cols[11] : "";
    const std::string password = PasswordOf(notes);
    auto members = ReadZipMembers(kCorpus / archive);
    const std::string sub = std::to_string(digestOf.size());
    std::filesystem::create_directory(out.Path() / sub);
    int written = 0;
    for (size_t i = 0; i < members.size(); ++i) {
      const TRawMember& m = members[i];
      unsigned method = m.info.CompressionMethod;
      if (method == 7 || method > 8 || m.name.empty() || m.name.back() == '/') continue;
      if ((m.info.Flags & 1) && password.empty()) continue;
      if ((m.info.Flags & 1) && (m.info.Flags & 0x40)) continue;  // strong encryption
      TDecodeOutcome r = Decode(m, password);
      SCOPED_TRACE(archive + " : " + m.name + " method " + std::to_string(method));
      if (auto refused = kRefused.find(archive + ":" + m.name); refused != kRefused.end()) {
        EXPECT_NE(r.crc, m.info.CRC32);
        if (refused->second != "CRC") {
          EXPECT_EQ(r.error, refused->second);
        }
        continue;
      }
      EXPECT_TRUE(r.decoded) << r.error << " " << r.message;
      // A stored member is copied as it stands, whatever its recorded uncompressed size.
      if (method != 0) {
        EXPECT_EQ(r.output.size(), m.info.UncompressedSize);
      }
      EXPECT_EQ(r.crc, m.info.CRC32);
      if (m.IsSymlink()) continue;  // the digest lists the link, not a file
      WriteFile(out.Path() / sub / std::to_string(i), r.output);
      ++decodedByMethod[method];
      ++written;
    }
    if (written && !kOtherDirectory.count(archive)) digestOf[sub] = {archive, cols[8]};
  }
  auto decoded = TreeContents(out.Path());
  for (const auto& [sub, names] : digestOf) {
    const auto& [archive, digest] = names;
    auto expected = DigestContents(kCorpus / digest);
    for (const std::string& got : decoded[sub])
      EXPECT_TRUE(expected.count(got))
          << archive << ": decoded member " << got << " is not in the digest";
  }
  for (unsigned method : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 8u})
    EXPECT_GT(decodedByMethod[method], 0) << "no member of method " << method;
}

}  // namespace
}  // namespace niv::test
