// The program's global operator new and delete, on the C library's malloc and
// free. Memory that plain C++ asks for and cannot have ends the process the way
// the runtime's does, on every system and whatever allocator stands behind malloc.
#include <cstdlib>
#include <new>

#include "runtime/memory/out_of_memory.h"

// Neither throws std::bad_alloc, which nothing in the program catches, nor
// leaves it to an allocator that replaces operator new, which may abort.
void* operator new(std::size_t bytes) {
  if (void* block = std::malloc(bytes == 0 ? 1 : bytes)) return block;
  FailOutOfMemory();
}

void operator delete(void* block) noexcept {
  std::free(block);
}

void operator delete(void* block, std::size_t) noexcept {
  std::free(block);
}
