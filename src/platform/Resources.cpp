#include "platform/Resources.h"

#include <string>
#include <vector>

#include "platform/Text.h"

namespace plat {
namespace {

struct Resource {
  std::string type;  // upper case
  std::string name;  // upper case
  std::string_view data;
};

// Filled by static registrars before main; read afterwards only.
std::vector<Resource>& Registry() {
  static std::vector<Resource> resources;
  return resources;
}

}  // namespace

ResourceRegistrar::ResourceRegistrar(const char* type, const char* name, const unsigned char* data,
                                     size_t size) {
  Registry().push_back(Resource{AsciiUpper(type), AsciiUpper(name),
                                std::string_view(reinterpret_cast<const char*>(data), size)});
}

std::optional<std::string_view> FindResourceData(std::string_view type, std::string_view name) {
  std::string t = AsciiUpper(type), n = AsciiUpper(name);
  for (const Resource& r : Registry())
    if (r.type == t && r.name == n) return r.data;
  return std::nullopt;
}

}  // namespace plat
