#pragma once
// A single-producer, single-consumer ring of records, lock-free on both
// sides: one thread pushes, one other thread reads. The slots are made once,
// up front; records move in and out, so a record may own things (decoders,
// buffers) and hand them across.
//
// Neither side ever frees anything: the consumer moves a record out (or
// empties it in place) before the slot is used again, so the producer's
// move into the slot destroys only an emptied record. The type must leave a
// moved-from record owning nothing (unique_ptr, std::vector and plain values do).
//
// Threads: push() and free() on the producer; front(), pop() and take() on
// the consumer; size() on either. A full ring refuses the push: the
// producer decides whether to wait or give up.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumidex::audio {

template <class T>
class SpscRing {
  public:
    explicit SpscRing(size_t capacity) : slots_(capacity) {}

    size_t capacity() const { return slots_.size(); }
    size_t size() const {
        return size_t(written_.load(std::memory_order_acquire) -
                      read_.load(std::memory_order_acquire));
    }

    // Producer: room for this many more records.
    size_t free() const { return capacity() - size(); }

    // Producer: moves the record in; false (and the record untouched) when full.
    bool push(T&& record) {
        const uint64_t w = written_.load(std::memory_order_relaxed);
        if (w - read_.load(std::memory_order_acquire) >= slots_.size()) return false;
        slots_[w % slots_.size()] = std::move(record);
        written_.store(w + 1, std::memory_order_release);
        return true;
    }

    // Consumer: the oldest record, or null when empty. It stays the
    // consumer's until pop().
    T* front() {
        const uint64_t r = read_.load(std::memory_order_relaxed);
        if (r == written_.load(std::memory_order_acquire)) return nullptr;
        return &slots_[r % slots_.size()];
    }
    // Consumer: gives the front slot back to the producer.
    void pop() {
        read_.store(read_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
    }
    // Consumer: moves the oldest record out; false when empty.
    bool take(T& out) {
        T* record = front();
        if (!record) return false;
        out = std::move(*record);
        pop();
        return true;
    }

  private:
    std::vector<T> slots_;
    std::atomic<uint64_t> written_{0};
    std::atomic<uint64_t> read_{0};
};

}  // namespace lumidex::audio
