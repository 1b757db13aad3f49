#include "log/byte_sequence.h"

#include <cstring>
#include <limits>

#include "app/fatal_error.h"

namespace hint {

MadeByteSequence TextToBytes(const char* text) {
    const std::size_t length = text ? std::strlen(text) : 0;
    if (length == 0) return std::nullopt;
    // A count is a signed 32-bit number; a longer text cannot be counted.
    if (length > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        ReportFatalError(FatalError{AllocationFailedMessage(length), 0, 0, 0});
    }
    HeapBytes storage = AllocateBytes(length);
    std::memcpy(storage.get(), text, length);
    return ByteSequence(std::move(storage), static_cast<std::int32_t>(length));
}

void ReleaseByteSequence(MadeByteSequence& sequence) {
    sequence.reset();
}

const ByteSequence& EmptyByteSequence() {
    static const ByteSequence empty;
    return empty;
}

}  // namespace hint
