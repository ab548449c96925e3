#include "WorkbookCheck.h"

#include <zlib.h>

#include <QFile>
#include <cstdint>
#include <string>
#include <string_view>

namespace output {

namespace {

constexpr uint32_t kEndSignature = 0x06054b50, kEntrySignature = 0x02014b50,
                   kLocalSignature = 0x04034b50;
constexpr size_t kEndSize = 22, kEntrySize = 46, kLocalSize = 30;
// How much of a part's beginning and end is kept: enough for the root's opening and closing
// tags.
constexpr size_t kKept = 1024;

uint32_t little(std::string_view bytes, size_t at, int size) {
    uint32_t v = 0;
    for (int i = size - 1; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(bytes[at + static_cast<size_t>(i)]);
    return v;
}

// One part as it unpacks: its size, checksum, beginning and end.
struct Unpacked {
    uint64_t size = 0;
    uLong crc = crc32(0, nullptr, 0);
    std::string head, tail;

    void add(const char* bytes, size_t n) {
        crc = crc32(crc, reinterpret_cast<const Bytef*>(bytes), static_cast<uInt>(n));
        size += n;
        if (head.size() < kKept) head.append(bytes, std::min(n, kKept - head.size()));
        tail.append(bytes, n);
        if (tail.size() > kKept) tail.erase(0, tail.size() - kKept);
    }
};

bool unpack(std::string_view packed, int method, Unpacked& out) {
    if (method == 0) {
        out.add(packed.data(), packed.size());
        return true;
    }
    if (method != Z_DEFLATED) return false;
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return false;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    z.avail_in = static_cast<uInt>(packed.size());
    char buffer[1 << 16];
    int rc = Z_OK;
    while (rc == Z_OK) {
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        rc = inflate(&z, Z_NO_FLUSH);
        out.add(buffer, sizeof buffer - z.avail_out);
    }
    inflateEnd(&z);
    return rc == Z_STREAM_END;
}

// Whether an XML text ends with the closing tag of its root element (or is that element,
// closed in its own tag).
bool xmlComplete(const std::string& head, std::string tail) {
    size_t open = 0;
    while ((open = head.find('<', open)) != std::string::npos && open + 1 < head.size() &&
           (head[open + 1] == '?' || head[open + 1] == '!'))
        ++open;
    if (open == std::string::npos || open + 1 >= head.size()) return false;
    const size_t end = head.find_first_of(" \t\r\n/>", open + 1);
    if (end == std::string::npos) return false;
    const std::string root = head.substr(open + 1, end - open - 1);
    while (!tail.empty() && std::string_view(" \t\r\n").find(tail.back()) != std::string_view::npos)
        tail.pop_back();
    const std::string closing = "</" + root + ">";
    return tail.ends_with(closing) || (head.compare(end, 2, "/>") == 0 && tail.ends_with("/>"));
}

}  // namespace

QString workbookProblem(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return file.errorString();
    const QByteArray all = file.readAll();
    const std::string_view zip(all.constData(), static_cast<size_t>(all.size()));
    if (zip.size() < kEndSize || little(zip, zip.size() - kEndSize, 4) != kEndSignature)
        return QStringLiteral("у архива нет конца");
    const size_t endAt = zip.size() - kEndSize;
    const uint32_t entries = little(zip, endAt + 10, 2);
    size_t at = little(zip, endAt + 16, 4);
    bool types = false, book = false;
    for (uint32_t i = 0; i < entries; ++i) {
        if (at + kEntrySize > endAt || little(zip, at, 4) != kEntrySignature)
            return QStringLiteral("оглавление архива повреждено");
        const int method = static_cast<int>(little(zip, at + 10, 2));
        const uint32_t crc = little(zip, at + 16, 4), packedSize = little(zip, at + 20, 4),
                       size = little(zip, at + 24, 4);
        const size_t nameLength = little(zip, at + 28, 2);
        const size_t local = little(zip, at + 42, 4);
        if (at + kEntrySize + nameLength > endAt)
            return QStringLiteral("оглавление архива повреждено");
        const std::string name(zip.substr(at + kEntrySize, nameLength));
        at += kEntrySize + nameLength + little(zip, at + 30, 2) + little(zip, at + 32, 2);

        const QString part = QString::fromStdString(name);
        if (local + kLocalSize > endAt || little(zip, local, 4) != kLocalSignature)
            return QStringLiteral("нет части %1").arg(part);
        const size_t data =
            local + kLocalSize + little(zip, local + 26, 2) + little(zip, local + 28, 2);
        if (data > endAt || packedSize > endAt - data)
            return QStringLiteral("часть %1 обрезана").arg(part);
        Unpacked unpacked;
        if (!unpack(zip.substr(data, packedSize), method, unpacked) || unpacked.size != size ||
            unpacked.crc != crc)
            return QStringLiteral("часть %1 повреждена").arg(part);
        if ((name.ends_with(".xml") || name.ends_with(".rels")) &&
            !xmlComplete(unpacked.head, unpacked.tail))
            return QStringLiteral("часть %1 обрезана").arg(part);
        types = types || name == "[Content_Types].xml";
        book = book || name == "xl/workbook.xml";
    }
    if (!types || !book) return QStringLiteral("нет частей книги");
    return {};
}

}  // namespace output
