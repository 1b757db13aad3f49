// Counted runs of bytes: what the write-out action hands to the file.
#pragma once

#include <cstdint>
#include <optional>

#include "app/memory.h"

namespace hint {

class ByteSequence {
  public:
    // The empty sequence: no bytes.
    ByteSequence() = default;
    ByteSequence(HeapBytes storage, std::int32_t count)
        : storage_(std::move(storage)), count_(count) {}

    std::int32_t Count() const { return count_; }
    const unsigned char* Bytes() const { return storage_.get(); }

  private:
    HeapBytes storage_;
    std::int32_t count_ = 0;
};

// A sequence made at run time, owned by its caller; none for an empty text.
using MadeByteSequence = std::optional<ByteSequence>;

// A new sequence holding the bytes of `text` before its terminating zero,
// unchanged; none when the text is empty.
MadeByteSequence TextToBytes(const char* text);

// Frees a sequence that TextToBytes made; releasing none does nothing.
void ReleaseByteSequence(MadeByteSequence& sequence);

// The shared constant empty sequence. It is never changed or released.
const ByteSequence& EmptyByteSequence();

}  // namespace hint
