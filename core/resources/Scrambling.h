#pragma once

#include <cstddef>
#include <cstdint>

// The keyless byte step that protects the settings file and every resource-package entry.
// Each byte depends on its distance from the end of the block and on the plain byte before
// it, so a block must be unscrambled whole, at exactly the length it was scrambled at.
// tools/pack_resources.py carries the same step for the build.

void scrambleBytes(uint8_t* bytes, size_t length);
void unscrambleBytes(uint8_t* bytes, size_t length);
