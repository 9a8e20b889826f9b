// The two string operations of the structure walkers: freeing a field's text,
// and giving a field a fresh block with a copy of a text.
#pragma once

#include "runtime/strings/string_variable.h"

// Frees `text` into the StringHeap; null does nothing.
void FreeString(char16_t* text);

// Stores a fresh StringHeap block of 2n + 10 bytes holding a copy of `text`
// into `field`, never reusing a block. A null text does nothing; when the block
// cannot be had, the field is left null.
void CopyStringToField(StringVariable* field, const char16_t* text);
