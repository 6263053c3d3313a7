#pragma once
// Lines of a description file: bytes up to a CR, where a CR LF pair and a lone CR end a line, a
// lone LF is an ordinary byte, and the end of the data ends the last line. Each line is trimmed
// at both ends of every byte up to and including the blank. Reads in chunks; a CR at the end of a
// chunk looks at the first byte of the next one.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace niv {

class TIDFLineReader {
 public:
  // Reads up to count bytes into buffer; 0 at the end of the data. Raises on a read error.
  using Source = std::function<int32_t(char* buffer, int32_t count)>;
  static constexpr int32_t kChunk = 64 * 1024;

  explicit TIDFLineReader(Source source) : source_(std::move(source)) {}
  explicit TIDFLineReader(std::string_view bytes) : data_(bytes) {}

  // False only when not a single byte was left; an empty line gives true and "".
  bool ReadLine(std::string& line);
  // The same without a copy where the line lies whole in the data read so far; the view stays
  // valid until the next call.
  bool ReadLine(std::string_view& line);

 private:
  bool Fill();

  std::string long_;  // a line that spans chunks

  Source source_;
  std::unique_ptr<char[]> chunk_;  // the bytes of the last read, kChunk at most
  std::string_view data_;
  size_t pos_ = 0;
};

// Removes every byte up to and including the blank from both ends.
void TrimIDFLine(std::string& line);
std::string_view TrimmedIDFLine(std::string_view line);

class TIDFTextFile;
// Sends a line to the sink set by SetIDFLogSink, if any.
void LogIDF(const std::string& text);
// The load algorithm over a line reader; exceptions of the reader propagate.
bool LoadIDFLines(TIDFLineReader& reader, TIDFTextFile& file);

}  // namespace niv
