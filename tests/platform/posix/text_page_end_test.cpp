// The text routines at the end of readable memory: a text that ends on the last
// character of a page, followed by a page that cannot be read, is measured and
// copied at every vector width without touching that page.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <vector>

#include "runtime/strings/text.h"

namespace {

TEST(TextAtPageEndTest, NeverReadsThePageAfterTheText) {
  const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  void* pages = mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(pages, MAP_FAILED);
  ASSERT_EQ(mprotect(static_cast<char*>(pages) + page, page, PROT_NONE), 0);
  char16_t* const pageEnd = reinterpret_cast<char16_t*>(static_cast<char*>(pages) + page);
  std::vector<char16_t> target(400);
  for (int bytes : {16, 32, 64}) {
    if (!SetTextVectorBytes(bytes)) continue;
    for (std::size_t length = 0; length < 300; ++length) {
      // `length` characters and a NUL, the NUL last in the page.
      char16_t* text = pageEnd - length - 1;
      std::fill(text, pageEnd, u' ');
      pageEnd[-1] = u'\0';
      ASSERT_EQ(FindTerminator(text), length) << bytes << "-byte vectors";
      ASSERT_EQ(CopyTextWithin(target.data(), text, length), length);
      // `length` + 1 characters and no NUL before the page ends.
      pageEnd[-1] = u'x';
      ASSERT_EQ(LengthUpTo(text, length + 1), length + 1);
      ASSERT_EQ(CopyTextWithin(target.data(), text, length), length + 1);
    }
  }
  SetTextVectorBytes(0);
  munmap(pages, 2 * page);
}

}  // namespace
