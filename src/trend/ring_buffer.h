#pragma once

#include <cstddef>
#include <utility>
#include <vector>

namespace corvane {

// The last `capacity` values pushed, oldest first: pushing onto a full buffer drops the oldest.
// Storage is allocated once, so a buffer that holds an hour of readings costs the same at every
// push.
template <typename T>
class RingBuffer {
  public:
    explicit RingBuffer(std::size_t capacity) : items_(capacity) {}

    std::size_t Capacity() const { return items_.size(); }
    std::size_t Size() const { return size_; }
    bool Empty() const { return size_ == 0; }

    void Push(T value) {
        if (items_.empty()) return;
        items_[(first_ + size_) % items_.size()] = std::move(value);
        if (size_ < items_.size()) {
            ++size_;
        } else {
            first_ = (first_ + 1) % items_.size();
        }
    }
    // Drops the `count` oldest values.
    void DropOldest(std::size_t count) {
        if (count > size_) count = size_;
        first_ = items_.empty() ? 0 : (first_ + count) % items_.size();
        size_ -= count;
    }
    void Clear() { first_ = size_ = 0; }

    // Index 0 is the oldest value, Size() - 1 the newest.
    const T& operator[](std::size_t index) const {
        return items_[(first_ + index) % items_.size()];
    }
    const T& Oldest() const { return (*this)[0]; }
    const T& Newest() const { return (*this)[size_ - 1]; }

    // The index of the first value for which `before(value)` is false, when the values are
    // ordered so that `before` holds for a leading run of them (binary search).
    template <typename Before>
    std::size_t PartitionPoint(Before before) const {
        std::size_t low = 0;
        std::size_t high = size_;
        while (low < high) {
            const std::size_t middle = low + (high - low) / 2;
            if (before((*this)[middle])) {
                low = middle + 1;
            } else {
                high = middle;
            }
        }
        return low;
    }

  private:
    std::vector<T> items_;
    std::size_t first_ = 0;
    std::size_t size_ = 0;
};

}  // namespace corvane
