#include "ByteBuffer.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

namespace base {

namespace {
constexpr size_t kMapThreshold = 4u << 20;  // buffers from 4 MiB up are mapped
}

char* ByteBuffer::allocate(size_t capacity, bool* mapped) {
    *mapped = false;
    if (capacity == 0) return nullptr;
    if (capacity >= kMapThreshold) {
        void* p = mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p != MAP_FAILED) {
            madvise(p, capacity, MADV_HUGEPAGE);
            *mapped = true;
            return static_cast<char*>(p);
        }
    }
    return new char[capacity];
}

ByteBuffer::ByteBuffer(size_t size) : size_(size), capacity_(size) { bytes_ = allocate(size, &mapped_); }

ByteBuffer::~ByteBuffer() { release(); }

void ByteBuffer::release() {
    if (!bytes_) return;
    if (mapped_) munmap(bytes_, capacity_);
    else delete[] bytes_;
    bytes_ = nullptr;
}

ByteBuffer::ByteBuffer(ByteBuffer&& other) noexcept
    : bytes_(std::exchange(other.bytes_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)),
      mapped_(std::exchange(other.mapped_, false)) {}

ByteBuffer& ByteBuffer::operator=(ByteBuffer&& other) noexcept {
    if (this != &other) {
        release();
        bytes_ = std::exchange(other.bytes_, nullptr);
        size_ = std::exchange(other.size_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
        mapped_ = std::exchange(other.mapped_, false);
    }
    return *this;
}

void ByteBuffer::resize(size_t size) {
    if (size > capacity_) {
        const size_t capacity = std::max(size, capacity_ + capacity_ / 2 + 4096);
        bool mapped = false;
        char* grown = allocate(capacity, &mapped);
        if (!grown) throw std::bad_alloc();
        if (size_) std::memcpy(grown, bytes_, size_);
        release();
        bytes_ = grown;
        capacity_ = capacity;
        mapped_ = mapped;
    }
    if (size > size_) std::memset(bytes_ + size_, 0, size - size_);
    size_ = size;
}

}  // namespace base
