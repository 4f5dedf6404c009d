#pragma once

// Asks the processor to bring the cache line at p close before it is read. Only a hint: p need not
// be valid. The 32-bit programs are built for processors without SSE as a baseline, where the
// compiler's own prefetch builtin turns into nothing; every processor those programs meet in
// practice has the SSE prefetch instruction, so it is written out by hand there.
inline void prefetchLine(const void* p) {
#if defined(__SSE__) || defined(__x86_64__)
    __builtin_prefetch(p);
#elif defined(__i386__)
    __asm__ __volatile__("prefetcht0 (%0)" : : "r"(p));
#else
    (void)p;
#endif
}
