#include "platform/core/globalmem.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {
// The block header sits in front of the bytes; the magic catches handles that
// were never ours or were freed already.
constexpr uint32_t kLive = 0x474d454d;  // "GMEM"
constexpr uint32_t kDead = 0x44454144;

struct Block {
    uint32_t magic;
    uint32_t lockCount;
    size_t size;
    alignas(16) unsigned char data[1];
};

Block *blockOf(HGLOBAL h) {
    auto *b = static_cast<Block *>(h);
    return (b && b->magic == kLive) ? b : nullptr;
}
}  // namespace

extern "C" {
HGLOBAL BorvaneGlobalAlloc(size_t size) {
    if (size > SIZE_MAX - sizeof(Block)) return nullptr;
    void *raw = std::calloc(1, sizeof(Block) + size);
    if (!raw) return nullptr;
    auto *b = static_cast<Block *>(raw);
    b->magic = kLive;
    b->lockCount = 0;
    b->size = size;
    return b;
}

void *BorvaneGlobalLock(HGLOBAL h) {
    Block *b = blockOf(h);
    if (!b) return nullptr;
    ++b->lockCount;
    return b->data;
}

void BorvaneGlobalUnlock(HGLOBAL h) {
    Block *b = blockOf(h);
    if (b && b->lockCount > 0) --b->lockCount;
}

size_t BorvaneGlobalSize(HGLOBAL h) {
    Block *b = blockOf(h);
    return b ? b->size : 0;
}

HGLOBAL BorvaneGlobalFree(HGLOBAL h) {
    Block *b = blockOf(h);
    if (b) {
        b->magic = kDead;
        std::free(b);
    }
    return nullptr;
}
}
