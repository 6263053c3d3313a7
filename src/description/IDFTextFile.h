#pragma once
// The description text format shared by "setup.idf", "uninst.idf", "uninst.inf" and "temp.inf":
// an optional list of Root parameters, then sections of named parameters. A tree section
// ("[name]-tree") may carry a type word in front of a value ("Key=INTEGER=5"); the word stays in
// force for later lines of tree sections that carry none.
//
// Containers own what they hold; a pointer or reference handed out stays valid until that
// element is deleted (or its container cleared or reloaded).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace plat {
class TStream;
}

namespace niv {

enum TIDFValueType : int {
  idfString = 0,
  idfInteger = 1,
  idfBoolean = 2,
  idfDouble = 3,
  idfBinary = 4,  // never written back
};

class TIDFParam {
 public:
  TIDFParam() = default;
  explicit TIDFParam(std::string name) : Name(std::move(name)) {}

  // Exactly as read: not trimmed around the "=".
  std::string Name;
  TIDFValueType ValueType = idfString;

  const std::string& AsString() const { return value_; }
  void SetAsString(std::string value) { value_ = std::move(value); }
  // The value as a decimal integer of 32 bits; any other text (blanks, signs alone, overflow)
  // raises plat::EConvertError "'<text>' is not a valid integer value".
  int32_t AsInteger() const;
  void SetAsInteger(int64_t value);
  // Stores "1" or "0".
  void SetAsBoolean(bool value) { value_ = value ? "1" : "0"; }

 private:
  std::string value_;
};

class TIDFSection {
 public:
  TIDFSection() = default;
  explicit TIDFSection(std::string name) : Name(std::move(name)) {}
  virtual ~TIDFSection() = default;
  TIDFSection(const TIDFSection&) = delete;
  TIDFSection& operator=(const TIDFSection&) = delete;
  TIDFSection(TIDFSection&&) = default;
  TIDFSection& operator=(TIDFSection&&) = default;

  std::string Name;
  // Written and read as "[" + Name + "]-tree".
  bool IsTree = false;

  int ParamCount() const { return static_cast<int>(params_.size()); }
  // nullptr when index is out of range.
  TIDFParam* GetParam(int index) const;
  // The first parameter whose name matches, ignoring the case of ASCII letters only.
  TIDFParam* FindParam(std::string_view name) const;
  // Appends a parameter with an empty value and idfString.
  TIDFParam& AddParam(std::string name);
  // Inserts at 0..ParamCount (an index past the end appends); a negative index inserts nothing.
  TIDFParam* InsertParam(std::string name, int index);
  void DeleteParam(int index);  // an index out of range is ignored
  void ClearParams();

  // For range-for over the parameters in file order.
  const std::vector<std::unique_ptr<TIDFParam>>& Params() const { return params_; }

 private:
  std::vector<std::unique_ptr<TIDFParam>> params_;
};

// A whole description file. Its own parameters (those of TIDFSection) are the Root parameters,
// the ones before the first section header; its own Name is empty and IsTree false.
class TIDFTextFile : public TIDFSection {
 public:
  TIDFTextFile() = default;
  ~TIDFTextFile() override;
  TIDFTextFile(TIDFTextFile&&) = default;
  TIDFTextFile& operator=(TIDFTextFile&&) = default;

  int SectionCount() const { return static_cast<int>(sections_.size()); }
  // An index out of range raises plat::EListError.
  TIDFSection& GetSection(int index) const;
  // The first section whose name matches, ignoring the case of ASCII letters only.
  TIDFSection* FindSection(std::string_view name) const;
  // Appends a new empty plain section; existing sections of that name are not looked for.
  TIDFSection& AddSection(std::string name);
  void DeleteSection(int index);  // an index out of range is ignored
  // Deletes the first section whose name equals name exactly, with case.
  void DeleteSectionNamed(std::string_view name);
  void ClearSections();

  const std::vector<std::unique_ptr<TIDFSection>>& Sections() const { return sections_; }

  // Logs " Load IDF file <name>" and reads the file. False when it does not exist, when its
  // first line does not start with "IDF-CPS-text" or "IDF-FPS-text" or its second line is not
  // empty (the object then keeps its previous content), or when reading fails (the object then
  // keeps what was read up to the failure).
  bool LoadFromFile(std::string_view fileName);
  // The same reading rules over any stream from its current position (no log line).
  bool LoadFromStream(plat::TStream& stream);
  // The same over bytes in memory.
  bool LoadFromText(std::string_view bytes);

  // Creates or replaces the file; false when it cannot be created or written.
  bool SaveToFile(std::string_view fileName) const;
  bool SaveToStream(plat::TStream& stream) const;
  // The bytes SaveToFile writes.
  std::string SaveToText() const;

 private:
  std::vector<std::unique_ptr<TIDFSection>> sections_;
};

// Where LoadFromFile sends its log line; the program points it at its log file. Without a sink
// nothing is logged.
void SetIDFLogSink(std::function<void(const std::string&)> sink);

}  // namespace niv
