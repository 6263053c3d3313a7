#pragma once
// Resources compiled into the program (see cmake/NivResources.cmake): found by type and name.
#include <cstddef>
#include <optional>
#include <string_view>

namespace plat {

// The bytes of a resource of the running program, or nothing. Type and name compare without
// regard to ASCII case.
std::optional<std::string_view> FindResourceData(std::string_view type, std::string_view name);

struct ResourceRegistrar {
  ResourceRegistrar(const char* type, const char* name, const unsigned char* data, size_t size);
};

}  // namespace plat
