// Shared by the systems' CommandLineArguments: the arguments, read once, kept
// with the array of pointers to them for the life of the process.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace platform {

// The arguments that `read` gives on the first call, and the same on every
// later one; stores their number in `*count`.
inline const char16_t* const* KeptArguments(std::vector<std::u16string> (*read)(),
                                            std::size_t* count) {
  static const std::vector<std::u16string> arguments = read();
  static const std::vector<const char16_t*> texts = [] {
    std::vector<const char16_t*> pointers;
    for (const std::u16string& argument : arguments) pointers.push_back(argument.c_str());
    return pointers;
  }();
  *count = texts.size();
  return texts.data();
}

}  // namespace platform
