#pragma once

// The fast paths of the index build, each of which can be switched off so that tests and
// benchmarks compare it with the plain path it stands for. Every combination writes the same
// bytes; users always run with all of them on.
struct IndexFastPaths {
    // Pair walks begun entries ahead of their turn as read-only probes (they start only from
    // word nodes the remembered walks know).
    bool probes = true;
    // Memory fetched ahead of its use: nodes, tables, posting ends, remembered walks.
    bool prefetch = true;
    // Word and pair nodes remembered by word number instead of walked from the bucket root.
    bool rememberedWalks = true;
    // The file planned from the sizes counted while filling instead of a walk over the trie.
    bool keptBucketSizes = true;
    // A large file read in pieces on several threads instead of in one pass.
    bool parallelReading = true;
};
