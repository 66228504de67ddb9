#include "skin/files/ElementTable.h"

#include <algorithm>
#include <cstring>

namespace lumetta {

void ElementTable::ResizeLastBlock(uint32_t entries) {
    auto block = std::make_unique_for_overwrite<ElementRecord[]>(entries);
    if (lastBlockCapacity_ != 0) {
        std::memcpy(block.get(), blocks_.back().get(), lastBlockCapacity_ * sizeof(ElementRecord));
    }
    capacity_ += entries - lastBlockCapacity_;
    lastBlockCapacity_ = entries;
    blocks_.back() = std::move(block);
}

void ElementTable::Reserve(uint32_t records) {
    while (capacity_ < records) {
        if (blocks_.empty() || lastBlockCapacity_ == BlockSize) {
            blocks_.emplace_back();
            lastBlockCapacity_ = 0;
        }
        uint32_t wanted = std::min<uint64_t>(BlockSize, lastBlockCapacity_ + (records - capacity_));
        ResizeLastBlock(wanted);
    }
}

void ElementTable::Grow() {
    uint64_t target = std::max<uint64_t>(16, uint64_t(capacity_) + capacity_ / 2);
    Reserve(uint32_t(std::min<uint64_t>(target, 0xFFFFFFFFu)));
}

uint32_t ElementTable::Append() {
    if (size_ == capacity_) {
        Grow();
    }
    uint32_t index = size_++;
    (*this)[index] = ElementRecord{};
    return index;
}

} // namespace lumetta
