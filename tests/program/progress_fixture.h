// A started runtime on the fake platform whose OutputLineHook collects the lines
// and whose "psapi.dll" reports a scripted working set.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "program/globals.h"
#include "program/progress_line.h"
#include "runtime/console/line_hooks.h"
#include "runtime/objects/shared_libraries.h"
#include "runtime/program_heap.h"
#include "runtime/strings/workspace.h"
#include "tests/fake/fake_modules.h"
#include "tests/fake/fake_platform.h"
#include "tests/fake/fake_process_memory.h"

class ProgressTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::Reset();
    ProgramGlobals = {};
    ProgramHeap = platform::CreatePrivateHeap();
    InitStringWorkspace();
    InitSharedLibraries();
    CurrentProcessHandle = 0;
    Lines().clear();
    savedOutput_ = OutputLineHook;
    OutputLineHook = [](const char16_t* text) { Lines().emplace_back(text); };
    WorkingSetBytes() = 0;
    Succeeds() = 1;
    fake::ScriptModule(u"psapi.dll",
                       {{"GetProcessMemoryInfo", reinterpret_cast<void*>(&GetProcessMemoryInfo)}});
  }
  void TearDown() override {
    OutputLineHook = savedOutput_;
    DetachSharedLibraries();
    FreeStringWorkspace();
    fake::Reset();
  }

  static std::vector<std::u16string>& Lines() {
    static std::vector<std::u16string> lines;
    return lines;
  }
  static std::uint64_t& WorkingSetBytes() {
    static std::uint64_t bytes;
    return bytes;
  }
  static std::int32_t& Succeeds() {
    static std::int32_t succeeds;
    return succeeds;
  }

 private:
  // Stands in for psapi's function: the working set lies at byte 16 of the record.
  static std::int32_t GetProcessMemoryInfo(void* process, unsigned char* counters,
                                           std::uint32_t size) {
    EXPECT_EQ(reinterpret_cast<std::intptr_t>(process), fake::FakeProcessHandle);
    EXPECT_EQ(size, 72u);
    for (std::uint32_t i = 0; i < size; ++i) EXPECT_EQ(counters[i], 0) << "byte " << i;
    std::memcpy(counters + 16, &WorkingSetBytes(), sizeof(std::uint64_t));
    return Succeeds();
  }

  OutputLineFunction savedOutput_ = nullptr;
};
