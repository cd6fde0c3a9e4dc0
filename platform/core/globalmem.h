#pragma once
// Movable global memory, the hand-over format of packed bitmaps between the
// scanner's data source and the image model. A handle is opaque; the bytes are
// reached only between GlobalLock and GlobalUnlock. The functions have C linkage
// so the TWAIN source manager library and the program share one definition.
#include <cstddef>

extern "C" {
typedef void *HGLOBAL;

// Allocates size bytes (zero-filled); returns nullptr when the memory cannot be had.
HGLOBAL BorvaneGlobalAlloc(size_t size);
// Returns the bytes of the block, or nullptr for a null or freed handle.
void *BorvaneGlobalLock(HGLOBAL handle);
void BorvaneGlobalUnlock(HGLOBAL handle);
// Size in bytes of the block; 0 for a null handle.
size_t BorvaneGlobalSize(HGLOBAL handle);
// Frees the block; nullptr is ignored. Returns nullptr as the platform call does.
HGLOBAL BorvaneGlobalFree(HGLOBAL handle);
}

// RAII owner for a handle that is not handed on.
class TGlobalMemory {
public:
    TGlobalMemory() = default;
    explicit TGlobalMemory(HGLOBAL h) : handle_(h) {}
    ~TGlobalMemory() { BorvaneGlobalFree(handle_); }
    TGlobalMemory(const TGlobalMemory &) = delete;
    TGlobalMemory &operator=(const TGlobalMemory &) = delete;
    TGlobalMemory(TGlobalMemory &&o) noexcept : handle_(o.release()) {}
    TGlobalMemory &operator=(TGlobalMemory &&o) noexcept {
        if (this != &o) { BorvaneGlobalFree(handle_); handle_ = o.release(); }
        return *this;
    }
    HGLOBAL get() const { return handle_; }
    HGLOBAL release() { HGLOBAL h = handle_; handle_ = nullptr; return h; }
private:
    HGLOBAL handle_ = nullptr;
};
