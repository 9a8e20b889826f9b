// The two yardsticks a pass of the run is measured against: the copies no pass
// can avoid, and the same pass written in plain C++. The harness in bench/ and
// the program's --compare both time these, so the figures mean the same in each.
#pragma once

#include <cstddef>
#include <string>

// The two copies of a text with its NUL that no pass can avoid: `bytes` from
// `text` into `workspace`, then from `workspace` into `block`. Each copy is
// done whole, never merged with the other or left out.
void CopyLimitPass(const char16_t* text, char16_t* workspace, char16_t* block, std::size_t bytes);

// The pass in plain C++: `element` takes a copy of `text`, then is emptied and
// gives its memory back.
void PlainCxxPass(std::u16string& element, const std::u16string& text);
