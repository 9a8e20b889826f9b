// What the structure walkers expect at the start of a list or map object: the
// parameters it was created with, so that a copy can be created equal to it.
// No list or map type exists yet; one that fills the table's slots keeps these.
#pragma once

#include <cstdint>

struct ListObjectParameters {
  std::int64_t parameter1;
  std::int64_t parameter2;
  std::int32_t parameter3;
};

struct MapObjectParameters {
  std::int64_t parameter1;
  std::int32_t parameter2;
  std::int64_t parameter3;
  std::int32_t parameter4;
};
