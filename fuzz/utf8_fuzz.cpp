// The terminal's UTF-8 conversions against the standard's definition: decoding
// whole and cut into two reads at a chosen byte, and encoding the same bytes
// read as UTF-16.
#include <cstddef>
#include <cstdint>
#include <string>

#include "runtime/platform/posix/utf8.h"
#include "tests/reference.h"

namespace {

std::u16string Decode(const std::string& bytes, bool final, std::size_t* consumed) {
  std::u16string out(bytes.size(), u'\0');
  const auto decoded = platform::DecodeUtf8(reinterpret_cast<const unsigned char*>(bytes.data()),
                                            bytes.size(), final, out.data());
  *consumed = decoded.bytes;
  return out.substr(0, decoded.units);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::size_t consumed = 0;
  const std::u16string whole = Decode(bytes, true, &consumed);
  if (whole != reference::DecodeUtf8(bytes) || consumed != size) __builtin_trap();
  const std::size_t cut = size == 0 ? 0 : data[0] % (size + 1);
  std::u16string parts = Decode(bytes.substr(0, cut), false, &consumed);
  parts += Decode(bytes.substr(consumed), true, &consumed);
  if (parts != whole) __builtin_trap();

  const std::u16string units(reinterpret_cast<const char16_t*>(bytes.data()), size / 2);
  std::string encoded(3 * units.size(), '\0');
  encoded.resize(platform::EncodeUtf8(units.data(), units.size(),
                                      reinterpret_cast<unsigned char*>(encoded.data())));
  if (encoded != reference::EncodeUtf8(units)) __builtin_trap();
  return 0;
}
