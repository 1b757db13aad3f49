// Heap memory for values the program makes at run time. Memory that cannot
// be obtained is a fatal error of the whole program.
#pragma once

#include <cstddef>
#include <memory>

namespace hint {

struct HeapBlockDeleter {
    void operator()(unsigned char* block) const noexcept;
};

using HeapBytes = std::unique_ptr<unsigned char[], HeapBlockDeleter>;

// `count` bytes from the process heap. Does not return when the heap refuses.
HeapBytes AllocateBytes(std::size_t count);

// The heap request behind AllocateBytes. Replaceable so that tests can show
// what a refused request does; returns the request it replaces.
using HeapRequest = void* (*)(std::size_t count);
HeapRequest ReplaceHeapRequest(HeapRequest request);

}  // namespace hint
