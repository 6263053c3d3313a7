// Creates, writes and closes 10,000 small files in one folder through the file layer (Windows
// names, case-insensitive lookup, share modes, short names) and with plain POSIX calls, in the
// same run and on the same drive, and prints the times and their ratio.
//   bench_platform_files [FILES] [ROUNDS] [8.3]
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Files.h"
#include "platform/Stream.h"
#include "platform/sim/Machine.h"

namespace {

using Clock = std::chrono::steady_clock;

const std::string kPayload(200, 'x');

bool shortNames = false;  // 8.3 names only: no short name to store

std::string Name(int i) {
  char buf[32];
  // A long name gets a short name too.
  std::snprintf(buf, sizeof buf, shortNames ? "F%05d.TXT" : "File%05d.txt", i);
  return buf;
}

void LayerCreate(const std::string& dir, int i) {
  plat::TFileStream f(dir + "\\" + Name(i), plat::fmCreate);
  f.WriteBuffer(kPayload.data(), static_cast<int32_t>(kPayload.size()));
}

void PosixCreate(const std::string& dir, int i) {
  std::string path = dir + "/" + Name(i);
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0 || ::write(fd, kPayload.data(), kPayload.size()) < 0) std::abort();
  ::close(fd);
}

// One round: the two sides take turns file by file, so that a busy machine slows both alike.
// Per-file times of every round, for medians that a burst of load elsewhere does not move.
std::vector<double> layerFiles, posixFiles;

void Round(const std::string& layerDir, const std::string& posixDir, int files, double& layer,
           double& posix) {
  plat::CreateDir(layerDir);
  std::filesystem::create_directory(posixDir);
  layer = posix = 0;
  for (int i = 0; i < files; ++i) {
    auto t0 = Clock::now();
    LayerCreate(layerDir, i);
    auto t1 = Clock::now();
    PosixCreate(posixDir, i);
    auto t2 = Clock::now();
    layerFiles.push_back(std::chrono::duration<double>(t1 - t0).count());
    posixFiles.push_back(std::chrono::duration<double>(t2 - t1).count());
    layer += layerFiles.back();
    posix += posixFiles.back();
  }
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  int files = argc > 1 ? std::atoi(argv[1]) : 10000;
  int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
  shortNames = argc > 3 && std::string(argv[3]) == "8.3";
  std::string root = (std::filesystem::temp_directory_path() / "niv_bench_XXXXXX").string();
  if (!mkdtemp(root.data())) return 1;
  std::string machine = root + "/m";
  plat::sim::CreateMachineLayout(machine, {});
  plat::sim::UseMachine(machine);
  std::vector<double> layer, posix;
  for (int r = 0; r < rounds; ++r) {
    std::string n = std::to_string(r);
    double l = 0, p = 0;
    Round("C:\\Layer" + n, machine + "/drives/C/posix" + n, files, l, p);
    layer.push_back(l);
    posix.push_back(p);
  }
  double l = Median(layer), p = Median(posix);
  std::printf("files per run: %d, rounds: %d\n", files, rounds);
  std::printf("layer: %.3f s (%.1f us a file)\n", l, l * 1e6 / files);
  std::printf("posix: %.3f s (%.1f us a file)\n", p, p * 1e6 / files);
  std::printf("ratio layer/posix: %.2f\n", l / p);
  double lm = Median(layerFiles), pm = Median(posixFiles);
  std::printf("median file: layer %.1f us, posix %.1f us, ratio %.2f\n", lm * 1e6, pm * 1e6,
              lm / pm);
  std::filesystem::remove_all(root);
  return 0;
}
