#pragma once
// Lists of strings with an object pointer per string, optionally sorted.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "forms/Classes.h"

namespace forms {

enum TDuplicates { dupIgnore, dupAccept, dupError };

// A sorted list keeps its strings in order (compared in the ANSI code page, letter case ignored
// unless CaseSensitive) and finds them by binary search; Duplicates decides what Add does with
// a string the sorted list already holds. Indexes out of range raise EListError
// "List index out of bounds (N)".
class TStringList : public TObject {
 public:
  TStringList() = default;
  TStringList(const TStringList& other);
  TStringList& operator=(const TStringList& other);
  const char* ClassName() const override { return "TStringList"; }

  int Count() const { return static_cast<int>(items_.size()); }
  const std::string& operator[](int index) const { return Strings(index); }
  const std::string& Strings(int index) const;
  void Put(int index, std::string value);  // not allowed on a sorted list (EListError)
  void* Objects(int index) const;
  void PutObject(int index, void* object);

  int Add(std::string value);  // the index of the new (or, dupIgnore, the present) string
  int AddObject(std::string value, void* object);
  void Insert(int index, std::string value);  // not allowed on a sorted list (EListError)
  void InsertObject(int index, std::string value, void* object);
  void Delete(int index);
  void Clear();
  void Exchange(int a, int b);
  void AddStrings(const TStringList& other);
  void Assign(const TStringList& other);

  int IndexOf(std::string_view value) const;  // -1 when absent
  int IndexOfObject(const void* object) const;
  // On a sorted list: whether value is present; index is where it is or would be inserted.
  // On an unsorted list: a linear search (index -1 when absent).
  bool Find(std::string_view value, int& index) const;
  void Sort();

  bool Sorted() const { return sorted_; }
  void SetSorted(bool sorted);
  TDuplicates Duplicates = dupIgnore;
  bool CaseSensitive = false;

  // The strings joined with "\r\n" after each one; SetText splits at CR LF, LF or CR.
  std::string Text() const;
  void SetText(std::string_view text);
  std::string CommaText() const;

  // Whole file in the ANSI code page; raises the stream errors of the platform.
  void LoadFromFile(std::string_view fileName);
  void SaveToFile(std::string_view fileName) const;

  TNotifyEvent OnChange;  // after every change of the list

 private:
  struct Item {
    std::string text;
    void* object = nullptr;
  };
  int Compare(std::string_view a, std::string_view b) const;
  void CheckIndex(int index) const;
  void Changed();

  std::vector<Item> items_;
  bool sorted_ = false;
};

// Splits and joins the way a multi-line text is shown: CR LF, LF or CR end a line.
std::vector<std::string> SplitLines(std::string_view text);

}  // namespace forms
