#pragma once

#include <functional>

// Steps of an index rebuild as they begin, for tests that stop a rebuild at an exact point.
enum class IndexBuildStep {
    ChunkHandedOver, // a chunk of entries went to the threads that enter terms (while parsing)
    ParseEnded,      // the whole file is read; terms may still be on their way in
    Writing,         // the index file is being written (its temporary file exists)
    Reopening,       // the fresh index is about to be opened and the TMX file mapped
};
using IndexBuildObserver = std::function<void(IndexBuildStep)>;
