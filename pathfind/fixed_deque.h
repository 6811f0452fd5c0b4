// FixedDeque<T>: a ring buffer of fixed capacity that keeps the list
// planner's open list in sorted order.
//
// Elements run from `head` up to `tail`, wrapping at `capacity`; head ==
// tail means empty while `empty` is set and full otherwise. Adding or
// removing at either end is constant time; anywhere else the contents are
// copied once into the second array, which then takes the first one's
// place, so nothing is allocated after `rebuild`.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <type_traits>
#include <utility>

template <class T>
class FixedDeque {
  static_assert(std::is_trivially_copyable_v<T>, "the arrays are raw storage");

 public:
  T* buffer = nullptr;
  T* spare = nullptr;
  uint32_t capacity = 0;
  uint32_t head = 0;
  uint32_t tail = 0;
  uint8_t empty = 1;

  FixedDeque() = default;
  virtual ~FixedDeque() { release(); }
  FixedDeque(const FixedDeque&) = delete;
  FixedDeque& operator=(const FixedDeque&) = delete;

  // Drops the contents and the arrays and allocates two of n entries (none
  // for n = 0). False when they cannot be had; the deque then has none.
  bool rebuild(uint32_t n) {
    release();
    if (n == 0) return true;
    buffer = static_cast<T*>(std::malloc(size_t(n) * sizeof(T)));
    spare = static_cast<T*>(std::malloc(size_t(n) * sizeof(T)));
    if (!buffer || !spare) {
      release();
      return false;
    }
    capacity = n;
    return true;
  }

  void clear() {
    head = tail = 0;
    empty = 1;
  }

  uint32_t size() const {
    if (head == tail) return empty ? 0 : capacity;
    return tail > head ? tail - head : capacity - head + tail;
  }
  bool full() const { return capacity == 0 || (head == tail && !empty); }

  uint32_t place_of(uint32_t index) const {
    return uint32_t((uint64_t(head) + index) % capacity);
  }
  T& operator[](uint32_t index) { return buffer[place_of(index)]; }
  const T& operator[](uint32_t index) const { return buffer[place_of(index)]; }

  // Puts value at index (0 = head); the elements from there on move one
  // place towards the tail. Fails when the deque is full or index is
  // beyond the last element.
  bool insert_at(uint32_t index, const T& value) {
    const uint32_t n = size();
    if (full() || index > n) return false;
    if (index == n) {
      buffer[tail] = value;
      tail = tail + 1 == capacity ? 0 : tail + 1;
      empty = 0;
      return true;
    }
    if (index == 0) {
      head = head == 0 ? capacity - 1 : head - 1;
      buffer[head] = value;
      return true;
    }
    uint32_t k = 0;
    for (uint32_t i = 0; i < n; ++i) {
      if (i == index) spare[k++] = value;
      spare[k++] = (*this)[i];
    }
    settle(k);
    return true;
  }

  // Removes the element at index. Fails on an empty deque or an index at
  // or beyond the number of elements.
  bool erase_at(uint32_t index) {
    const uint32_t n = size();
    if (index >= n) return false;
    if (index == n - 1) {
      tail = tail == 0 ? capacity - 1 : tail - 1;
    } else if (index == 0) {
      head = head + 1 == capacity ? 0 : head + 1;
    } else {
      uint32_t k = 0;
      for (uint32_t i = 0; i < n; ++i)
        if (i != index) spare[k++] = (*this)[i];
      settle(k);
    }
    if (head == tail) empty = 1;
    return true;
  }

  // Removes and returns the element at the tail (T{} when empty).
  T take_last() {
    if (size() == 0) return T{};
    tail = tail == 0 ? capacity - 1 : tail - 1;
    T value = buffer[tail];
    if (tail == head) empty = 1;
    return value;
  }

 private:
  // The contents were copied in order into `spare`: it becomes the buffer.
  void settle(uint32_t n) {
    std::swap(buffer, spare);
    head = 0;
    tail = n == capacity ? 0 : n;
    empty = n == 0;
  }

  void release() {
    std::free(buffer);
    std::free(spare);
    buffer = spare = nullptr;
    capacity = 0;
    clear();
  }
};
