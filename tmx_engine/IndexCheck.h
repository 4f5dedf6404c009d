#pragma once

// The index builder's invariants, asserted in the checked build (INDEX_CHECKED) and compiled away
// in the release build. A broken invariant there ends the program at once with what broke and
// where: a test run then fails instead of writing a silently wrong index.
#if defined(INDEX_CHECKED)
[[noreturn]] void indexCheckFailed(const char* condition, const char* file, int line);
#define INDEX_ASSERT(condition) ((condition) ? (void)0 : indexCheckFailed(#condition, __FILE__, __LINE__))
constexpr bool kIndexChecked = true;
#else
#define INDEX_ASSERT(condition) ((void)0)
constexpr bool kIndexChecked = false;
#endif
