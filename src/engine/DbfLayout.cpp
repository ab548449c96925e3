#include "DbfLayout.h"

#include <cctype>
#include <cstdint>

namespace engine {

using base::EngineError;
using base::ErrorKind;

namespace {

constexpr int kFileHeader = 32;
constexpr int kDescriptor = 32;
constexpr unsigned char kTerminator = 0x0D;

uint32_t get16(std::string_view b, size_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(b[at]) |
                                 (static_cast<unsigned char>(b[at + 1]) << 8));
}
uint32_t get32(std::string_view b, size_t at) {
    return get16(b, at) | (get16(b, at + 2) << 16);
}

FieldKind kindOf(char type, int width, int decimals) {
    switch (type) {
        case 'C':
            return FieldKind::Text;
        case 'N':
            return (decimals == 0 && width <= 4) ? FieldKind::SmallInt : FieldKind::Float;
        case 'F':
            return FieldKind::Float;
        case 'D':
            return FieldKind::Date;
        case 'L':
            return FieldKind::Boolean;
        default:
            return FieldKind::Text;
    }
}

}  // namespace

EngineError damagedTable(const QString& path, const QString& why) {
    return EngineError(ErrorKind::Damaged,
                       QStringLiteral("Повреждён файл таблицы: %1 (%2)").arg(path, why));
}

DbfLayout DbfLayout::read(std::string_view bytes, long long size, const QString& path) {
    if (size < kFileHeader + 1 || bytes.size() < static_cast<size_t>(kFileHeader))
        throw damagedTable(path, QStringLiteral("файл слишком короткий"));
    const unsigned char version = static_cast<unsigned char>(bytes[0]);
    if (version != 0x03 && version != 0x83 && version != 0x8B)
        throw damagedTable(
            path, QStringLiteral("неизвестная версия 0x%1").arg(version, 2, 16, QLatin1Char('0')));
    if (bytes[15] != 0) throw damagedTable(path, QStringLiteral("таблица зашифрована"));
    DbfLayout layout;
    layout.headerLength = static_cast<int>(get16(bytes, 8));
    layout.recordLength = static_cast<int>(get16(bytes, 10));
    if (layout.headerLength < kFileHeader + 1 || layout.headerLength > size ||
        static_cast<size_t>(layout.headerLength) > bytes.size())
        throw damagedTable(path, QStringLiteral("неверная длина заголовка"));
    if (layout.recordLength < 2) throw damagedTable(path, QStringLiteral("неверная длина записи"));

    int offset = 1;
    for (int at = kFileHeader; at + kDescriptor <= layout.headerLength; at += kDescriptor) {
        if (static_cast<unsigned char>(bytes[static_cast<size_t>(at)]) == kTerminator) break;
        if (layout.fields.size() >= 255)
            throw damagedTable(path, QStringLiteral("слишком много полей"));
        const char* d = bytes.data() + at;
        size_t nameLen = 0;
        while (nameLen < 11 && d[nameLen] != '\0') ++nameLen;
        FieldDef f;
        f.name = QString::fromLatin1(d, static_cast<qsizetype>(nameLen)).trimmed().toUpper();
        const char type = static_cast<char>(std::toupper(static_cast<unsigned char>(d[11])));
        f.width = static_cast<unsigned char>(d[16]);
        f.decimals = static_cast<unsigned char>(d[17]);
        if (f.name.isEmpty()) throw damagedTable(path, QStringLiteral("поле без имени"));
        bool sound = false;
        switch (type) {
            case 'C':
                sound = f.width >= 1;
                f.decimals = 0;
                break;
            case 'N':
            case 'F':
                sound = f.width >= 1 && f.width <= 20 && f.decimals < f.width;
                break;
            case 'D':
                sound = f.width == 8;
                break;
            case 'L':
                sound = f.width == 1;
                break;
            default:
                throw damagedTable(path, QStringLiteral("поле %1 неподдерживаемого типа '%2'")
                                             .arg(f.name, QChar::fromLatin1(type)));
        }
        if (!sound) throw damagedTable(path, QStringLiteral("неверная длина поля %1").arg(f.name));
        f.kind = kindOf(type, f.width, f.decimals);
        f.nativeType = type;
        if (d[31] == 1 && f.kind != FieldKind::Boolean)
            layout.fieldTags.push_back(TagDef{f.name, f.name});
        layout.offsets.push_back(offset);
        offset += f.width;
        layout.fields.push_back(std::move(f));
    }
    if (layout.fields.empty()) throw damagedTable(path, QStringLiteral("нет полей"));
    if (offset != layout.recordLength)
        throw damagedTable(path, QStringLiteral("длина записи не равна сумме длин полей"));

    // A file that holds fewer records than its header counts lost records; records past the
    // count (an append stopped before its count was written) are tolerated.
    layout.physicalCount = (size - layout.headerLength) / layout.recordLength;
    layout.headerCount = get32(bytes, 4);
    if (layout.headerCount > layout.physicalCount)
        throw damagedTable(path, QStringLiteral("в заголовке %1 записей, в файле %2")
                                     .arg(layout.headerCount)
                                     .arg(layout.physicalCount));
    layout.languageDriver = static_cast<unsigned char>(bytes[29]);
    layout.productionIndex = bytes[28] != 0;
    return layout;
}

}  // namespace engine
