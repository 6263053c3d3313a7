#pragma once
// Pictures: a bitmap keeps its size and its bytes (the whole BMP file), nothing is drawn.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "forms/Classes.h"

namespace forms {

class TBitmap {
 public:
  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return bytes_.empty(); }
  const std::string& Bytes() const { return bytes_; }
  // A BMP file of the machine; raises EInvalidGraphic for bytes that are no bitmap and the
  // stream errors of the platform when the file cannot be read. On failure the bitmap is kept.
  void LoadFromFile(std::string_view fileName);
  // A bitmap resource of the program (type "BITMAP"); EInvalidGraphic when absent or broken.
  void LoadFromResourceName(std::string_view name);
  void LoadFromBytes(std::string bytes);
  void Clear();

 private:
  int width_ = 0;
  int height_ = 0;
  std::string bytes_;
};

// Reads the size of a BMP image (file header and info header); false when it is none.
bool ReadBmpSize(std::string_view bytes, int& width, int& height);

class TImageList : public TComponent {
 public:
  explicit TImageList(TComponent* owner) : TComponent(owner) {}
  const char* ClassName() const override { return "TImageList"; }
  int Width = 16;
  int Height = 16;
  int Count() const { return static_cast<int>(images_.size()); }
  int Add(const TBitmap& image);  // the index of the new picture
  const TBitmap& Image(int index) const { return images_.at(index); }
  void Clear() { images_.clear(); }

 private:
  std::vector<TBitmap> images_;
};

}  // namespace forms
