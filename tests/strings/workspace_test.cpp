// The workspace's growth rule, its positions and its limits.
#include <climits>
#include <string>

#include "runtime/platform/out_of_memory.h"
#include "runtime/strings/text.h"
#include "tests/fake/strings_fixture.h"

namespace {

TEST_F(WorkspaceTest, StartsWithASixteenByteBlockAtPositionZero) {
  EXPECT_EQ(StringWorkspace.position, 0);
  EXPECT_EQ(StringWorkspace.capacity, 16);
  EXPECT_EQ(fake::BlockBytes(StringWorkspace.buffer), 16u);
}

TEST_F(WorkspaceTest, GrowsOnlyWhenTheNeedReachesCapacityLessFour) {
  AppendText(u"abcde");  // 10 bytes < 16 - 4
  EXPECT_EQ(StringWorkspace.capacity, 16);
  EXPECT_EQ(fake::BlockBytes(StringWorkspace.buffer), 16u);

  TruncateWorkspace(0);
  AppendText(u"abcdef");  // 12 bytes: grows to 12 + 16,384
  EXPECT_EQ(StringWorkspace.capacity, 16396);
  EXPECT_EQ(fake::BlockBytes(StringWorkspace.buffer), 16406u);
  EXPECT_EQ(TextAt(0), u"abcdef");
  EXPECT_EQ(Position(), 12);
}

TEST_F(WorkspaceTest, AMillionCharacterReservationGrowsOnce) {
  ReserveWorkspace(1'000'000, 0);
  EXPECT_EQ(StringWorkspace.capacity, 2'016'384);
  EXPECT_EQ(fake::BlockBytes(StringWorkspace.buffer), 2'016'394u);
  char16_t* buffer = StringWorkspace.buffer;
  TruncateWorkspace(0);  // the expression is consumed
  ReserveWorkspace(1'000'000, 0);
  EXPECT_EQ(StringWorkspace.buffer, buffer);
  EXPECT_EQ(StringWorkspace.capacity, 2'016'384);
}

// A text whose characters all differ from their neighbours, so that a piece
// copied to the wrong place shows.
std::u16string Numbered(std::size_t length) {
  std::u16string text(length, u' ');
  for (std::size_t i = 0; i < length; ++i) text[i] = static_cast<char16_t>(u'A' + i % 7919);
  return text;
}

TEST_F(WorkspaceTest, AppendingAMillionCharactersGrowsByTheReservationRule) {
  const std::u16string text = Numbered(1'000'000);
  AppendText(text.c_str());
  EXPECT_EQ(StringWorkspace.capacity, 2'016'384);
  EXPECT_EQ(fake::BlockBytes(StringWorkspace.buffer), 2'016'394u);
  EXPECT_EQ(TextAt(0), text);
  EXPECT_EQ(Position(), 2'000'000);

  char16_t* buffer = StringWorkspace.buffer;
  TruncateWorkspace(0);
  AppendText(text.c_str());
  EXPECT_EQ(StringWorkspace.buffer, buffer);
  EXPECT_EQ(TextAt(0), text);
}

TEST_F(WorkspaceTest, AppendTextFillsTheRoomUpToCapacityLessSixWithoutGrowing) {
  AppendText(u"abcdef");  // capacity 16,396
  TruncateWorkspace(0);
  char16_t* buffer = StringWorkspace.buffer;
  const std::u16string fits = Numbered(8'195);  // need 16,390 < 16,392
  AppendText(fits.c_str());
  EXPECT_EQ(StringWorkspace.buffer, buffer);
  EXPECT_EQ(StringWorkspace.capacity, 16'396);
  EXPECT_EQ(TextAt(0), fits);

  TruncateWorkspace(0);
  const std::u16string grows = Numbered(8'196);  // need 16,392: grows
  AppendText(grows.c_str());
  EXPECT_EQ(StringWorkspace.capacity, 16'392 + 16'384);
  EXPECT_EQ(fake::BlockBytes(StringWorkspace.buffer), 16'392u + 16'384 + 10);
  EXPECT_EQ(TextAt(0), grows);
  EXPECT_EQ(Position(), 16'392);
}

TEST_F(WorkspaceTest, ALongerTextKeepsWhatWasCopiedBeforeTheBufferMoved) {
  AppendText(u"abcdef");  // capacity 16,396
  const std::u16string text = Numbered(40'000);
  AppendText(text.c_str());  // part of it goes into the old buffer first
  EXPECT_EQ(StringWorkspace.capacity, 12 + 80'000 + 16'384);
  EXPECT_EQ(TextAt(0), u"abcdef" + text);
  EXPECT_EQ(Position(), 12 + 80'000);

  // With no room at all left, the text is measured first, as any other.
  StringWorkspace.position = StringWorkspace.capacity - 4;
  AppendText(u"xy");
  EXPECT_EQ(StringWorkspace.capacity, 12 + 80'000 + 16'384 + 16'384);
  EXPECT_EQ(TextAt(12 + 80'000 + 16'380), u"xy");
}

TEST_F(WorkspaceTest, ReservingNothingMovesThePositionToTheArgument) {
  AppendText(u"abcd");
  char16_t* p = ReserveWorkspace(0, 2);
  EXPECT_EQ(p, StringWorkspace.buffer + 1);
  EXPECT_EQ(Position(), 2);
}

TEST_F(WorkspaceTest, ReleaseAndTruncateMoveThePosition) {
  ReserveWorkspace(64, 0);
  ReleaseWorkspace(60);
  EXPECT_EQ(Position(), 8);
  TruncateWorkspace(4);
  EXPECT_EQ(Position(), 4);
  EXPECT_EQ(StringWorkspace.buffer[2], u'\0');
}

TEST_F(WorkspaceTest, AppendingNullWritesOnlyTheTerminator) {
  AppendText(u"ab");
  StringWorkspace.buffer[2] = u'x';
  AppendText(nullptr);
  EXPECT_EQ(Position(), 4);
  EXPECT_EQ(TextAt(0), u"ab");
}

TEST_F(WorkspaceTest, AppendTextAtOverwritesFromThePositionOrTruncates) {
  AppendText(u"hello");
  AppendTextAt(u"y", 2);
  EXPECT_EQ(TextAt(0), u"hy");
  EXPECT_EQ(Position(), 4);
  AppendTextAt(nullptr, 0);
  EXPECT_EQ(Position(), 0);
  EXPECT_EQ(TextAt(0), u"");
}

TEST_F(WorkspaceTest, AnExpressionLeavesThePositionWhereItWas) {
  AppendText(u"kept");
  const std::int32_t p = Position();
  AppendText(u"Total Time: ");
  AppendText(u"83");
  AppendText(u" seconds");
  EXPECT_EQ(TextAt(p), u"Total Time: 83 seconds");
  TruncateWorkspace(p);
  EXPECT_EQ(TextAt(0), u"kept");
}

TEST_F(WorkspaceTest, OffsetsCoverTheUsedPartWithBothEnds) {
  AppendText(u"abc");
  const char16_t* buffer = StringWorkspace.buffer;
  EXPECT_EQ(WorkspaceOffsetOf(buffer), 1);
  EXPECT_EQ(WorkspaceOffsetOf(buffer + 3), 7);
  EXPECT_EQ(WorkspaceOffsetOf(buffer + 4), 0);
  EXPECT_EQ(WorkspaceOffsetOf(nullptr), 0);
  const char16_t outside[] = u"abc";
  EXPECT_EQ(WorkspaceOffsetOf(outside), 0);
}

TEST_F(WorkspaceTest, AnOffsetFindsTheTextAgainAfterTheBufferMoved) {
  AppendText(u"abc");
  const char16_t* before = StringWorkspace.buffer;
  const auto offset = static_cast<std::int32_t>(WorkspaceOffsetOf(before + 1));
  ReserveWorkspace(10'000, Position());  // the fake moves every resized block
  ASSERT_NE(StringWorkspace.buffer, before);
  EXPECT_EQ(std::u16string(WorkspacePointerAt(offset), 2), u"bc");
}

TEST_F(WorkspaceTest, ARequestPastTwoGigabytesIsRefusedWithoutWrapping) {
  const auto calls = fake::Calls().size();
  auto code = fake::ExitCodeOf([] { ReserveWorkspace(INT32_MAX / 2, 0); });
  EXPECT_EQ(code, OutOfMemoryExitCode);
  EXPECT_EQ(fake::StandardError(), "stringchurn: out of memory\n");
  // Refused before any allocation was tried; the workspace is unchanged.
  EXPECT_EQ(fake::Calls().size(), calls + 1);
  EXPECT_EQ(StringWorkspace.capacity, 16);
  EXPECT_EQ(Position(), 0);
}

TEST_F(WorkspaceTest, AGrowthTheHeapRefusesEndsTheProcess) {
  fake::FailAllocation(1);
  auto code = fake::ExitCodeOf([] { AppendText(u"more than twelve bytes"); });
  EXPECT_EQ(code, OutOfMemoryExitCode);
  EXPECT_EQ(fake::StandardError(), "stringchurn: out of memory\n");
}

TEST(WorkspaceStartTest, AHeapOrBufferTheSystemRefusesEndsTheProcess) {
  for (bool failHeap : {true, false}) {
    fake::Reset();
    if (failHeap) {
      fake::FailHeapCreation(1);
    } else {
      fake::FailAllocation(1);
    }
    EXPECT_EQ(fake::ExitCodeOf(InitStringWorkspace), OutOfMemoryExitCode);
    EXPECT_EQ(fake::StandardError(), "stringchurn: out of memory\n");
  }
  fake::Reset();
}

}  // namespace
