#pragma once

#include <cstddef>
#include <string_view>

namespace base {

// A growable byte buffer for whole table files. Unlike std::string it does not clear the
// memory a file read is about to fill, and large buffers are mapped with huge pages where
// the system offers them, so reading a table of tens of megabytes costs a few page faults
// instead of thousands.
class ByteBuffer {
public:
    ByteBuffer() = default;
    explicit ByteBuffer(size_t size);
    ~ByteBuffer();
    ByteBuffer(ByteBuffer&& other) noexcept;
    ByteBuffer& operator=(ByteBuffer&& other) noexcept;
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;

    char* data() { return bytes_; }
    const char* data() const { return bytes_; }
    size_t size() const { return size_; }
    char operator[](size_t i) const { return bytes_[i]; }
    char& operator[](size_t i) { return bytes_[i]; }
    std::string_view view(size_t pos, size_t length) const { return std::string_view(bytes_ + pos, length); }

    // Grows (zero-filling the new part) or shrinks the contents.
    void resize(size_t size);

private:
    static char* allocate(size_t capacity, bool* mapped);
    void release();

    char* bytes_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
    bool mapped_ = false;
};

}  // namespace base
