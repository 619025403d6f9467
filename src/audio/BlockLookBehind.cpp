#include "audio/BlockLookBehind.h"

#include <cstring>

namespace vorlane {

BlockLookBehind::BlockLookBehind() : storage_(new uint8_t[kCapacity * kMaxBytes]) {
    for (uint32_t i = 0; i < kCapacity; ++i)
        blocks_[i].data = storage_.get() + i * kMaxBytes;
}

void BlockLookBehind::Push(uint64_t number, const uint8_t* data, uint32_t bytes) {
    if (Full() || bytes > kMaxBytes)
        return;
    Block& b = blocks_[(head_ + size_) % kCapacity];
    b.number = number;
    b.bytes = bytes;
    std::memcpy(b.data, data, bytes);
    ++size_;
}

void BlockLookBehind::PopOldest() {
    if (Empty())
        return;
    head_ = (head_ + 1) % kCapacity;
    --size_;
}

void BlockLookBehind::Clear() {
    head_ = 0;
    size_ = 0;
}

} // namespace vorlane
