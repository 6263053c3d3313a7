// Inflate and CRC-32 throughput of the engine against zlib on the same data, in output bytes per
// second. Text: the project's own sources; binary: this program's executable; compressed: the
// deflated executable, deflated again.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "archive/Crc32.h"
#include "archive/DecoderIO.h"
#include "archive/Inflate.h"

namespace {

std::string ReadAll(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

std::string RawDeflate(const std::string& data, int level) {
  z_stream z{};
  deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, data.size()), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

struct TData {
  std::string plain, packed;
};

const TData& Data(int kind) {
  static TData sets[3];
  static bool made = false;
  if (!made) {
    std::string text;
    for (auto& e : std::filesystem::recursive_directory_iterator(NIV_SOURCE_DIR "/src"))
      if (e.is_regular_file()) text += ReadAll(e.path());
    std::string binary = ReadAll("/proc/self/exe");
    sets[0].plain = text;
    sets[1].plain = binary;
    sets[2].plain = RawDeflate(binary, 9);
    for (auto& s : sets) s.packed = RawDeflate(s.plain, 6);
    made = true;
  }
  return sets[kind];
}

class TMemorySource : public niv::TByteSource {
 public:
  explicit TMemorySource(const std::string& s) : p_(s.data()), left_(s.size()) {}
  size_t Fill(uint8_t* dst, size_t max) override {
    size_t n = std::min(max, left_);
    std::memcpy(dst, p_, n);
    p_ += n;
    left_ -= n;
    return n;
  }

 private:
  const char* p_;
  size_t left_;
};

class TNullSink : public niv::TPieceSink {
 public:
  size_t total = 0;
  void Put(const uint8_t* data, size_t count) override {
    benchmark::DoNotOptimize(data);
    total += count;
  }
};

void BM_InflateOurs(benchmark::State& state) {
  const TData& d = Data(static_cast<int>(state.range(0)));
  static niv::TInflater inflater;
  static niv::TWindow window;
  for (auto _ : state) {
    TMemorySource source(d.packed);
    niv::TInputBuffer input(source);
    niv::TBitReader bits(input);
    TNullSink sink;
    window.Start(sink);
    if (inflater.Run(bits, window) != niv::TDecodeResult::Done) state.SkipWithError("bad data");
    window.Finish();
    if (sink.total != d.plain.size()) state.SkipWithError("wrong size");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * d.plain.size()));
}

void BM_InflateZlib(benchmark::State& state) {
  const TData& d = Data(static_cast<int>(state.range(0)));
  std::string out(niv::kPieceSize, '\0');
  for (auto _ : state) {
    z_stream z{};
    inflateInit2(&z, -15);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(d.packed.data()));
    z.avail_in = static_cast<uInt>(d.packed.size());
    int r;
    do {
      z.next_out = reinterpret_cast<Bytef*>(out.data());
      z.avail_out = static_cast<uInt>(out.size());
      r = inflate(&z, Z_NO_FLUSH);
      benchmark::DoNotOptimize(out.data());
    } while (r == Z_OK);
    if (r != Z_STREAM_END || z.total_out != d.plain.size()) state.SkipWithError("zlib failed");
    inflateEnd(&z);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * d.plain.size()));
}

void BM_Crc32Ours(benchmark::State& state) {
  const std::string& s = Data(1).plain;
  for (auto _ : state) benchmark::DoNotOptimize(niv::Crc32(s.data(), s.size()));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.size()));
}

void BM_Crc32Zlib(benchmark::State& state) {
  const std::string& s = Data(1).plain;
  for (auto _ : state)
    benchmark::DoNotOptimize(
        crc32(0, reinterpret_cast<const Bytef*>(s.data()), static_cast<uInt>(s.size())));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.size()));
}

// 0 text, 1 binary, 2 already compressed
BENCHMARK(BM_InflateOurs)->Arg(0)->Arg(1)->Arg(2);
BENCHMARK(BM_InflateZlib)->Arg(0)->Arg(1)->Arg(2);
BENCHMARK(BM_Crc32Ours);
BENCHMARK(BM_Crc32Zlib);

}  // namespace

BENCHMARK_MAIN();
