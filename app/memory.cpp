#include "app/memory.h"

#include <windows.h>

#include "app/fatal_error.h"

namespace hint {
namespace {

void* RequestFromProcessHeap(std::size_t count) {
    return HeapAlloc(GetProcessHeap(), 0, count);
}

HeapRequest& CurrentHeapRequest() {
    static HeapRequest request = &RequestFromProcessHeap;
    return request;
}

}  // namespace

void HeapBlockDeleter::operator()(unsigned char* block) const noexcept {
    HeapFree(GetProcessHeap(), 0, block);
}

HeapBytes AllocateBytes(std::size_t count) {
    void* block = CurrentHeapRequest()(count);
    if (!block) ReportFatalError(FatalError{AllocationFailedMessage(count), 0, 0, 0});
    return HeapBytes(static_cast<unsigned char*>(block));
}

HeapRequest ReplaceHeapRequest(HeapRequest request) {
    const HeapRequest previous = CurrentHeapRequest();
    CurrentHeapRequest() = request ? request : &RequestFromProcessHeap;
    return previous;
}

}  // namespace hint
