#include "description/IDFTextFile.h"

#include <algorithm>
#include <cstring>

#include "description/IDFLineReader.h"
#include "platform/Exceptions.h"
#include "platform/Text.h"

namespace niv {

namespace {

constexpr std::string_view kMagicWithRoot = "IDF-FPS-text";
constexpr std::string_view kMagicWithoutRoot = "IDF-CPS-text";
constexpr std::string_view kTreeSuffix = "]-tree";
constexpr std::string_view kLineEnd = "\r\n";
constexpr size_t kFirstCapacity = 16;

bool AsciiEqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x -= 'a' - 'A';
    if (y >= 'a' && y <= 'z') y -= 'a' - 'A';
    if (x != y) return false;
  }
  return true;
}

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

TIDFValueType ValueTypeOfWord(std::string_view word) {
  if (AsciiEqualNoCase(word, "DOUBLE")) return idfDouble;
  if (AsciiEqualNoCase(word, "INTEGER")) return idfInteger;
  if (AsciiEqualNoCase(word, "BINARY")) return idfBinary;
  if (AsciiEqualNoCase(word, "BOOLEAN")) return idfBoolean;
  return idfString;
}

void AppendParamLines(std::string& out, const TIDFSection& section) {
  for (const auto& param : section.Params()) {
    if (param->ValueType == idfBinary) continue;
    out += param->Name;
    out += '=';
    out += param->AsString();
    out += kLineEnd;
  }
}

// The state carried from line to line while the lines after the magic are read.
class TIDFLineParser {
 public:
  explicit TIDFLineParser(TIDFTextFile& file) : file_(file) {}

  void Take(std::string_view line) {
    if (line.empty() || StartsWith(line, "//")) return;
    if (line.front() == '[') {
      if (line.size() >= 1 + kTreeSuffix.size() && EndsWith(line, kTreeSuffix)) {
        OpenSection(line.substr(1, line.size() - 1 - kTreeSuffix.size()), true);
        return;
      }
      if (line.size() >= 2 && line.back() == ']') {
        OpenSection(line.substr(1, line.size() - 2), false);
        return;
      }
    }
    TakeParam(line);
  }

 private:
  void OpenSection(std::string_view name, bool isTree) {
    current_ = &file_.AddSection(std::string(name));
    current_->IsTree = isTree;
  }

  void TakeParam(std::string_view line) {
    size_t eq = line.find('=');
    std::string_view name = line.substr(0, eq);
    std::string_view value =
        eq == std::string_view::npos ? std::string_view() : line.substr(eq + 1);
    if (current_ == nullptr || !current_->IsTree) {
      TIDFSection& target = current_ == nullptr ? file_ : *current_;
      target.AddParam(std::string(name)).SetAsString(std::string(value));
      return;
    }
    size_t typeEnd = value.find('=');
    if (typeEnd != std::string_view::npos) {
      typeWord_.assign(value.substr(0, typeEnd));
      value.remove_prefix(typeEnd + 1);
    }
    TIDFParam& param = current_->AddParam(std::string(name));
    param.ValueType = ValueTypeOfWord(typeWord_);
    if (param.ValueType == idfBoolean)
      param.SetAsBoolean(AsciiEqualNoCase(value, "TRUE"));
    else
      param.SetAsString(std::string(value));
  }

  TIDFTextFile& file_;
  TIDFSection* current_ = nullptr;
  std::string typeWord_;
};

std::function<void(const std::string&)>& LogSink() {
  static std::function<void(const std::string&)> sink;
  return sink;
}

}  // namespace

void SetIDFLogSink(std::function<void(const std::string&)> sink) {
  LogSink() = std::move(sink);
}

void LogIDF(const std::string& text) {
  if (LogSink()) LogSink()(text);
}

// --- lines -------------------------------------------------------------------------------------

std::string_view TrimmedIDFLine(std::string_view line) {
  auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  while (!line.empty() && isBlank(line.back())) line.remove_suffix(1);
  while (!line.empty() && isBlank(line.front())) line.remove_prefix(1);
  return line;
}

void TrimIDFLine(std::string& line) {
  std::string_view trimmed = TrimmedIDFLine(line);
  const size_t begin = static_cast<size_t>(trimmed.data() - line.data());
  const size_t length = trimmed.size();
  line.erase(begin + length);
  line.erase(0, begin);
}

bool TIDFLineReader::Fill() {
  data_ = {};
  pos_ = 0;
  if (!source_) return false;
  if (!chunk_) chunk_ = std::make_unique_for_overwrite<char[]>(kChunk);
  int32_t got = source_(chunk_.get(), kChunk);
  if (got <= 0) return false;
  data_ = std::string_view(chunk_.get(), static_cast<size_t>(std::min(got, kChunk)));
  return true;
}

bool TIDFLineReader::ReadLine(std::string_view& line) {
  if (pos_ >= data_.size() && !Fill()) return false;
  std::string_view rest = data_.substr(pos_);
  size_t cr = rest.find('\r');
  if (cr != std::string_view::npos && pos_ + cr + 1 < data_.size()) {
    // The common case: the line and the byte after its CR lie in the data at hand.
    line = rest.substr(0, cr);
    pos_ += cr + 1;
    if (data_[pos_] == '\n') ++pos_;
    line = TrimmedIDFLine(line);
    return true;
  }
  // The line, or the byte that decides about its CR, lies beyond this chunk.
  long_.clear();
  for (;;) {
    if (pos_ >= data_.size() && !Fill()) break;
    rest = data_.substr(pos_);
    cr = rest.find('\r');
    if (cr == std::string_view::npos) {
      long_.append(rest);
      pos_ = data_.size();
      continue;
    }
    long_.append(rest.substr(0, cr));
    pos_ += cr + 1;
    // A CR followed by an LF ends the line with both; any other byte stays for the next line.
    if (pos_ >= data_.size() && !Fill()) break;
    if (data_[pos_] == '\n') ++pos_;
    break;
  }
  line = TrimmedIDFLine(long_);
  return true;
}

bool TIDFLineReader::ReadLine(std::string& line) {
  std::string_view view;
  if (!ReadLine(view)) return false;
  line.assign(view);
  return true;
}

bool LoadIDFLines(TIDFLineReader& reader, TIDFTextFile& file) {
  std::string_view line;
  if (!reader.ReadLine(line)) return false;
  std::string_view magic = line.substr(0, kMagicWithRoot.size());
  if (magic != kMagicWithRoot && magic != kMagicWithoutRoot) return false;
  if (!reader.ReadLine(line) || !line.empty()) return false;

  file.ClearParams();
  file.ClearSections();
  TIDFLineParser parser(file);
  while (reader.ReadLine(line)) parser.Take(line);
  return true;
}

// --- TIDFSection -------------------------------------------------------------------------------

TIDFParam* TIDFSection::GetParam(int index) const {
  if (index < 0 || index >= ParamCount()) return nullptr;
  return params_[static_cast<size_t>(index)].get();
}

TIDFParam* TIDFSection::FindParam(std::string_view name) const {
  for (const auto& param : params_)
    if (AsciiEqualNoCase(param->Name, name)) return param.get();
  return nullptr;
}

TIDFParam& TIDFSection::AddParam(std::string name) {
  // Sections hold a few dozen parameters; growing the list one doubling at a time from one
  // costs more than the parameters themselves when a large file is read.
  if (params_.capacity() == 0) params_.reserve(kFirstCapacity);
  params_.push_back(std::make_unique<TIDFParam>(std::move(name)));
  return *params_.back();
}

TIDFParam* TIDFSection::InsertParam(std::string name, int index) {
  if (index < 0) return nullptr;
  size_t at = std::min(static_cast<size_t>(index), params_.size());
  auto it = params_.insert(params_.begin() + static_cast<std::ptrdiff_t>(at),
                           std::make_unique<TIDFParam>(std::move(name)));
  return it->get();
}

void TIDFSection::DeleteParam(int index) {
  if (index < 0 || index >= ParamCount()) return;
  params_.erase(params_.begin() + index);
}

void TIDFSection::ClearParams() {
  while (!params_.empty()) params_.pop_back();
}

// --- TIDFTextFile ------------------------------------------------------------------------------

TIDFTextFile::~TIDFTextFile() {
  ClearSections();
}

TIDFSection& TIDFTextFile::GetSection(int index) const {
  if (index < 0 || index >= SectionCount())
    throw plat::EListError("List index out of bounds (" + std::to_string(index) + ")");
  return *sections_[static_cast<size_t>(index)];
}

TIDFSection* TIDFTextFile::FindSection(std::string_view name) const {
  for (const auto& section : sections_)
    if (AsciiEqualNoCase(section->Name, name)) return section.get();
  return nullptr;
}

TIDFSection& TIDFTextFile::AddSection(std::string name) {
  if (sections_.capacity() == 0) sections_.reserve(kFirstCapacity);
  sections_.push_back(std::make_unique<TIDFSection>(std::move(name)));
  return *sections_.back();
}

void TIDFTextFile::DeleteSection(int index) {
  if (index < 0 || index >= SectionCount()) return;
  sections_.erase(sections_.begin() + index);
}

void TIDFTextFile::DeleteSectionNamed(std::string_view name) {
  for (auto it = sections_.begin(); it != sections_.end(); ++it) {
    if ((*it)->Name == name) {
      sections_.erase(it);
      return;
    }
  }
}

void TIDFTextFile::ClearSections() {
  while (!sections_.empty()) sections_.pop_back();
}

bool TIDFTextFile::LoadFromText(std::string_view bytes) {
  try {
    TIDFLineReader reader(bytes);
    return LoadIDFLines(reader, *this);
  } catch (const std::exception&) {
    return false;
  }
}

std::string TIDFTextFile::SaveToText() const {
  std::string out;
  out += ParamCount() > 0 ? kMagicWithRoot : kMagicWithoutRoot;
  out += kLineEnd;
  out += kLineEnd;
  AppendParamLines(out, *this);
  for (const auto& section : sections_) {
    out += '[';
    out += section->Name;
    out += section->IsTree ? kTreeSuffix : std::string_view("]");
    out += kLineEnd;
    AppendParamLines(out, *section);
  }
  return out;
}

}  // namespace niv
