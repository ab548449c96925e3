#pragma once

#include <QString>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace output {

// Where an export writer's bytes go.
class ExportStream {
public:
    virtual ~ExportStream() = default;
    virtual void write(std::string_view bytes) = 0;
};

// Bytes kept in memory: the RTF body, and tests.
class MemoryStream : public ExportStream {
public:
    void write(std::string_view bytes) override { bytes_.append(bytes); }
    const std::string& bytes() const { return bytes_; }
    std::string& bytes() { return bytes_; }

private:
    std::string bytes_;
};

// Bytes kept in memory in blocks of a fixed size, so that a large body grows without being
// copied; replayed into another stream at the end.
class BlockMemoryStream : public ExportStream {
public:
    static constexpr size_t kBlockSize = 1 << 20;
    void write(std::string_view bytes) override;
    void writeTo(ExportStream& target) const;
    size_t size() const;

private:
    std::vector<std::string> blocks_;
};

// A file created (or truncated) when the stream is made. Creation failures and write failures
// raise an base::EngineError whose message names the file. Writes are buffered; close()
// writes what is left and reports any failure; the destructor writes what is left and closes
// without reporting, so a file abandoned by a failing export keeps what was written to it.
class FileStream : public ExportStream {
public:
    explicit FileStream(const QString& fileName);
    ~FileStream() override;
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    void write(std::string_view bytes) override;
    // Hands the buffered bytes to the file.
    void flush();
    void close();

private:
    void writeAll(std::string_view bytes);
    [[noreturn]] void fail(int error);

    QString fileName_;
    int fd_ = -1;
    std::string buffer_;
};

}  // namespace output
