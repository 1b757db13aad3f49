// Owning wrappers for the platform's handles: each closes its handle once,
// when it goes out of scope.
#pragma once

#include <windows.h>

#include <utility>

namespace hint {

template <class Traits>
class UniqueHandle {
  public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Handle Get() const { return handle_; }
    bool Valid() const { return handle_ != Traits::Invalid(); }
    explicit operator bool() const { return Valid(); }

    Handle Release() { return std::exchange(handle_, Traits::Invalid()); }

    // Closes the handle held so far; true when there was none or it closed cleanly.
    bool Reset(Handle handle = Traits::Invalid()) {
        const Handle old = std::exchange(handle_, handle);
        return old == Traits::Invalid() || Traits::Close(old);
    }

  private:
    Handle handle_ = Traits::Invalid();
};

struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static bool Close(Handle handle) { return CloseHandle(handle) != FALSE; }
};

struct IconHandleTraits {
    using Handle = HICON;
    static Handle Invalid() { return nullptr; }
    static bool Close(Handle handle) { return DestroyIcon(handle) != FALSE; }
};

struct GdiObjectTraits {
    using Handle = HGDIOBJ;
    static Handle Invalid() { return nullptr; }
    static bool Close(Handle handle) { return DeleteObject(handle) != FALSE; }
};

using UniqueFile = UniqueHandle<FileHandleTraits>;
using UniqueIcon = UniqueHandle<IconHandleTraits>;
using UniqueGdiObject = UniqueHandle<GdiObjectTraits>;

}  // namespace hint
