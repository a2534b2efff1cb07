// One owner for a handle the program created itself: a bitmap, icon, font or
// brush loaded or made without LR_SHARED. The handle is released exactly once,
// when its owner goes or takes another; owners move, never copy. Shared
// resources (LR_SHARED, stock objects) belong to the system and are never
// put into an owner.
#pragma once

#include <windows.h>

namespace dialogs {

template <class Traits>
class OwnedHandle {
public:
    using Handle = typename Traits::Handle;

    OwnedHandle() = default;
    explicit OwnedHandle(Handle handle) : handle_(handle) {}
    ~OwnedHandle() { reset(); }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    OwnedHandle(OwnedHandle&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    OwnedHandle& operator=(OwnedHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    // Releases the handle held, then holds the given one.
    void reset(Handle handle = nullptr) {
        if (handle_ != nullptr && handle_ != handle) Traits::close(handle_);
        handle_ = handle;
    }
    // Gives the handle up without releasing it.
    Handle release() {
        Handle handle = handle_;
        handle_ = nullptr;
        return handle;
    }

private:
    Handle handle_ = nullptr;
};

template <class H>
struct GdiObjectTraits {
    using Handle = H;
    static void close(H handle) { DeleteObject(handle); }
};

struct IconTraits {
    using Handle = HICON;
    static void close(HICON handle) { DestroyIcon(handle); }
};

using OwnedBitmap = OwnedHandle<GdiObjectTraits<HBITMAP>>;
using OwnedFont = OwnedHandle<GdiObjectTraits<HFONT>>;
using OwnedBrush = OwnedHandle<GdiObjectTraits<HBRUSH>>;
using OwnedIcon = OwnedHandle<IconTraits>;

// Loads a bitmap of the module as the caller's own (no LR_SHARED): null when
// the module has none of that id.
inline HBITMAP loadOwnBitmap(HINSTANCE instance, WORD bitmapId) {
    return static_cast<HBITMAP>(LoadImageA(instance, MAKEINTRESOURCEA(bitmapId), IMAGE_BITMAP, 0, 0, 0));
}

}  // namespace dialogs
