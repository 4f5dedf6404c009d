#pragma once

#include <cstddef>

// Where encoded output goes: a file (usually one that replaces another on commit), or memory in
// tests.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    // Writes every byte or reports failure; a sink that failed once may refuse the rest.
    virtual bool writeBytes(const char* data, size_t size) = 0;

protected:
    ByteSink() = default;
    ByteSink(const ByteSink&) = delete;
    ByteSink& operator=(const ByteSink&) = delete;
};
