// Storing texts into StringVariables: block sizes, results, and what is kept.
#include <string>

#include "runtime/platform/out_of_memory.h"
#include "runtime/strings/string_variable.h"
#include "tests/fake/strings_fixture.h"

namespace {

using StringVariableTest = WorkspaceTest;

TEST_F(StringVariableTest, AssigningTheWorkspaceTextCopiesItAndRestoresThePosition) {
  AppendText(u"prefix");
  const std::int32_t p = Position();
  AppendText(u"hello");
  StringVariable variable = nullptr;
  AssignFromWorkspace(&variable, p);
  EXPECT_EQ(std::u16string(variable), u"hello");
  EXPECT_EQ(fake::BlockBytes(variable), 20u);
  EXPECT_EQ(Position(), p);
}

TEST_F(StringVariableTest, AnEmptyWorkspaceTextGivesATenByteBlock) {
  StringVariable variable = nullptr;
  AssignFromWorkspace(&variable, Position());
  ASSERT_NE(variable, nullptr);
  EXPECT_EQ(variable[0], u'\0');
  EXPECT_EQ(fake::BlockBytes(variable), 10u);
  EXPECT_EQ(Position(), 0);
}

TEST_F(StringVariableTest, AssignTextOfPartOfTheVariablesOwnText) {
  const std::u16string text = std::u16string(5000, u'x') + u"tail";
  StringVariable variable = nullptr;
  AssignText(&variable, text.c_str());
  EXPECT_EQ(AssignText(&variable, variable + 5000), 10);
  EXPECT_EQ(std::u16string(variable), u"tail");
  EXPECT_EQ(fake::BlockBytes(variable), 18u);
  AssignText(&variable, variable);
  EXPECT_EQ(std::u16string(variable), u"tail");
}

TEST_F(StringVariableTest, AssignTextResultsAndBlockSizes) {
  StringVariable variable = nullptr;
  EXPECT_EQ(AssignText(&variable, nullptr), 2);  // null onto null: nothing
  EXPECT_EQ(variable, nullptr);

  const std::u16string big(1'000'000, u' ');
  EXPECT_EQ(AssignText(&variable, big.c_str()), 2'000'002);
  EXPECT_EQ(fake::BlockBytes(variable), 2'000'010u);
  EXPECT_EQ(std::u16string(variable), big);

  const auto blocks = fake::LiveBlocks(StringHeap);
  EXPECT_EQ(AssignText(&variable, u""), 2);  // shrinks, is not freed
  ASSERT_NE(variable, nullptr);
  EXPECT_EQ(variable[0], u'\0');
  EXPECT_EQ(fake::BlockBytes(variable), 10u);
  EXPECT_EQ(fake::LiveBlocks(StringHeap), blocks);

  EXPECT_EQ(AssignText(&variable, nullptr), 2);
  EXPECT_EQ(variable, nullptr);
  EXPECT_EQ(fake::LiveBlocks(StringHeap), blocks - 1);
}

TEST_F(StringVariableTest, AVariableThatHoldsABlockIsResizedNotReallocated) {
  StringVariable variable = nullptr;
  AssignText(&variable, u"first");
  const auto blocks = fake::LiveBlocks(StringHeap);
  AppendText(u"the second text");
  AssignFromWorkspace(&variable, 0);
  EXPECT_EQ(std::u16string(variable), u"the second text");
  EXPECT_EQ(fake::LiveBlocks(StringHeap), blocks);
  EXPECT_EQ(fake::Calls().back(), "ResizeBlock 40");
}

TEST_F(StringVariableTest, ABlockTheHeapRefusesEndsTheProcess) {
  StringVariable variable = nullptr;
  fake::FailAllocation(1);
  EXPECT_EQ(fake::ExitCodeOf([&] { AssignText(&variable, u"text"); }), OutOfMemoryExitCode);
  EXPECT_EQ(variable, nullptr);
  EXPECT_EQ(fake::StandardError(), "stringchurn: out of memory\n");
}

}  // namespace
