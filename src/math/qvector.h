// qvector: the engine's growable array of plain records.
//
// How it differs from std::vector:
//   - elements are plain data: they are copied byte-wise and never constructed or
//     destroyed one by one, so only trivially copyable types belong here;
//   - growth is fixed: when there is no room for one more record the capacity becomes
//     twice the element count, or the first capacity when the array is empty;
//   - new storage is zeroed, so records past the count read as zero bytes;
//   - it keeps its size in bytes and its free bytes beside the counts.
// uses: nothing of ours
#pragma once

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <type_traits>

template <typename T> class qvector {
    static_assert(std::is_trivially_copyable<T>::value, "qvector holds plain records");

public:
    explicit qvector(std::size_t firstCapacity = 1) : first(firstCapacity ? firstCapacity : 1) {}
    qvector(const qvector& other) : first(other.first) { copyFrom(other); }
    qvector& operator=(const qvector& other) {
        if (this != &other) {
            release();
            first = other.first;
            copyFrom(other);
        }
        return *this;
    }
    ~qvector() { release(); }

    // Appends a copy of record; false when memory ran out (the array is unchanged).
    bool push_back(const T& record) {
        if (count == capacity && !grow()) return false;
        std::memcpy(static_cast<void*>(data + count), &record, sizeof(T));
        ++count;
        freeBytes -= sizeof(T);
        return true;
    }

    void clear() {
        release();
    }

    T& operator[](std::size_t i) { return data[i]; }
    const T& operator[](std::size_t i) const { return data[i]; }
    std::size_t size() const { return count; }
    bool empty() const { return count == 0; }
    std::size_t Capacity() const { return capacity; }
    std::size_t FirstCapacity() const { return first; }
    std::size_t SizeInBytes() const { return totalBytes; }
    std::size_t FreeBytes() const { return freeBytes; }
    T* begin() { return data; }
    T* end() { return data + count; }
    const T* begin() const { return data; }
    const T* end() const { return data + count; }

private:
    bool grow() {
        const std::size_t newCapacity = count == 0 ? first : count * 2;
        T* block = static_cast<T*>(std::calloc(newCapacity, sizeof(T)));
        if (!block) return false;
        if (count) std::memcpy(static_cast<void*>(block), data, count * sizeof(T));
        std::free(data);
        data = block;
        capacity = newCapacity;
        totalBytes = newCapacity * sizeof(T);
        freeBytes = (newCapacity - count) * sizeof(T);
        return true;
    }
    void copyFrom(const qvector& other) {
        if (other.capacity == 0) return;
        data = static_cast<T*>(std::calloc(other.capacity, sizeof(T)));
        if (!data) return;
        std::memcpy(static_cast<void*>(data), other.data, other.count * sizeof(T));
        count = other.count;
        capacity = other.capacity;
        totalBytes = other.totalBytes;
        freeBytes = other.freeBytes;
    }
    void release() {
        std::free(data);
        data = nullptr;
        count = capacity = totalBytes = freeBytes = 0;
    }

    std::size_t totalBytes = 0; // capacity in bytes
    std::size_t freeBytes = 0;  // unused bytes at the end
    T* data = nullptr;
    std::size_t count = 0;    // records held
    std::size_t first;        // capacity taken when growing from empty
    std::size_t capacity = 0; // records that fit
};
