#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "EngineError.h"
#include "engine/MdxIndex.h"

using base::EngineError;
using engine::MdxIndex;

namespace {

const QDate kFixtureDate(2008, 10, 13);

QString fixture(const char* relative) {
    return QStringLiteral(TEST_DATA_DIR "/fixtures/") + QString::fromLatin1(relative);
}

std::string readBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray data = f.readAll();
    return std::string(data.constData(), static_cast<size_t>(data.size()));
}

void writeBytes(const QString& path, const std::string& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(f.write(bytes.data(), static_cast<qint64>(bytes.size())),
              static_cast<qint64>(bytes.size()));
}

std::string hex(const std::string& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string unhex(const char* text) {
    std::string out;
    for (const char* p = text; p[0] && p[1]; p += 2) {
        out += static_cast<char>(std::stoi(std::string(p, 2), nullptr, 16));
    }
    return out;
}

std::uint32_t le32(const std::string& b, size_t off) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[off + i]);
    return v;
}

unsigned le16(const std::string& b, size_t off) {
    return static_cast<unsigned char>(b[off]) | (static_cast<unsigned char>(b[off + 1]) << 8);
}

void setLe32(std::string& b, size_t off, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[off + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// The field texts of a .DBF, read straight from its bytes: field name -> text per record.
std::map<std::string, std::vector<std::string>> dbfFieldTexts(const QString& path) {
    const std::string b = readBytes(path);
    std::map<std::string, std::vector<std::string>> out;
    if (b.size() < 33) return out;
    const std::uint32_t records = le32(b, 4);
    const unsigned headerLength = le16(b, 8);
    const unsigned recordLength = le16(b, 10);
    struct Field {
        std::string name;
        size_t offset, length;
    };
    std::vector<Field> fields;
    size_t offset = 1;  // deletion flag
    for (size_t d = 32; d + 32 <= b.size() && b[d] != '\x0D'; d += 32) {
        const std::string name = b.substr(d, 11).c_str();
        const size_t length = static_cast<unsigned char>(b[d + 16]);
        fields.push_back({name, offset, length});
        offset += length;
    }
    for (std::uint32_t r = 0; r < records; ++r) {
        const size_t at = headerLength + static_cast<size_t>(r) * recordLength;
        for (const Field& f : fields) out[f.name].push_back(b.substr(at + f.offset, f.length));
    }
    return out;
}

MdxIndex::TagData tag(const char* name, char type, int length, std::vector<std::string> texts) {
    MdxIndex::TagData t;
    t.info.name = QString::fromLatin1(name);
    t.info.expression = QString::fromLatin1(name);
    t.info.keyType = type;
    t.info.keyLength = length;
    t.fieldTexts = std::move(texts);
    return t;
}

std::vector<int> records(const std::vector<MdxIndex::Entry>& entries) {
    std::vector<int> out;
    for (const auto& e : entries) out.push_back(e.record);
    return out;
}

// ---- the independent reader (Perl XBase::Index) ---------------------------------------------

bool perlXBaseAvailable() {
    static const bool available = std::system("perl -MXBase::Index -e 1 >/dev/null 2>&1") == 0;
    return available;
}

std::string runCommand(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    std::array<char, 4096> buffer{};
    size_t n = 0;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) out.append(buffer.data(), n);
    pclose(pipe);
    return out;
}

std::string shellQuote(const QString& s) {
    std::string q = "'";
    for (char c : s.toStdString()) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

struct PerlEntry {
    int record = 0;
    std::string keyHex;
    bool operator==(const PerlEntry&) const = default;
};

std::vector<PerlEntry> parsePerlOutput(const std::string& text) {
    std::vector<PerlEntry> out;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t eol = text.find('\n', pos);
        const std::string line = text.substr(pos, eol == std::string::npos ? eol : eol - pos);
        pos = eol == std::string::npos ? text.size() : eol + 1;
        const size_t space = line.find(' ');
        if (space == std::string::npos) continue;
        out.push_back({std::stoi(line.substr(0, space)), line.substr(space + 1)});
    }
    return out;
}

// Walks a tag with XBase::Index: "record keyhex" per entry, in the reader's order.
std::vector<PerlEntry> perlWalk(const QString& mdx, const char* tagName) {
    const std::string script =
        "my $i = XBase::Index->new($ARGV[0], tag => $ARGV[1]) or die XBase::Index->errstr;"
        "$i->prepare_select; while (my ($k, $r) = $i->fetch) { print $r, q( ), unpack(q(H*), $k), "
        "qq(\\n) } die $i->errstr if $i->errstr;";
    return parsePerlOutput(runCommand("perl -MXBase::Index -e '" + script + "' " + shellQuote(mdx) +
                                      " " + tagName + " 2>&1"));
}

// Seeks each probe (one per line of probeFile) through the tree with XBase::Index and prints
// the first entry at or after it.
std::vector<PerlEntry> perlSeek(const QString& mdx, const char* tagName, const QString& probeFile) {
    const std::string script =
        "my $i = XBase::Index->new($ARGV[0], tag => $ARGV[1]) or die XBase::Index->errstr;"
        "open(my $f, q(<), $ARGV[2]) or die; while (my $p = <$f>) { chomp $p;"
        "$i->prepare_select_eq($p) or die $i->errstr; my ($k, $r) = $i->fetch;"
        "print defined $r ? $r : 0, q( ), unpack(q(H*), defined $k ? $k : q()), qq(\\n) }";
    return parsePerlOutput(runCommand("perl -MXBase::Index -e '" + script + "' " + shellQuote(mdx) +
                                      " " + tagName + " " + shellQuote(probeFile) + " 2>&1"));
}

// ---- raw tree inspection --------------------------------------------------------------------

constexpr size_t kPage = 512;

struct TreeShape {
    int depth = 0;  // levels, leaves included
    size_t nodes = 0;
    size_t maxEntries = 0;                 // the most entries in any node
    std::vector<std::uint32_t> leafPages;  // left to right
};

// Tag i's tree as laid out in an image (assumes a sound image: for checking the writer).
TreeShape treeShape(const std::string& image, int tagIndex) {
    const std::uint32_t headerPage = le32(image, 544 + 32 * static_cast<size_t>(tagIndex));
    const std::string th = image.substr(headerPage * kPage, 1024);
    const size_t item = le16(th, 18);
    TreeShape shape;
    std::vector<std::pair<std::uint32_t, int>> stack{{le32(th, 0), 1}};
    while (!stack.empty()) {
        const auto [page, depth] = stack.back();
        stack.pop_back();
        const std::string node = image.substr(page * kPage, 1024);
        const std::uint32_t n = le32(node, 0);
        ++shape.nodes;
        shape.maxEntries = std::max<size_t>(shape.maxEntries, n);
        const std::uint32_t last = le32(node, 8 + n * item);
        if (last == 0) {
            shape.depth = std::max(shape.depth, depth);
            shape.leafPages.push_back(page);
            continue;
        }
        stack.push_back({last, depth + 1});
        for (size_t i = n; i-- > 0;) stack.push_back({le32(node, 8 + i * item), depth + 1});
    }
    return shape;
}

class MdxIndexTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    QString path(const QString& name) const { return dir_.filePath(name); }

    // Writes the image and checks that walking the tag gives `expected` (record numbers and
    // keys), both through MdxIndex::walk and, when available, through XBase::Index.
    void expectWalk(const std::string& image, const char* tagName,
                    const std::vector<MdxIndex::Entry>& expected) {
        const QString file = path(QStringLiteral("WALK.MDX"));
        writeBytes(file, image);
        const auto walked = MdxIndex::walk(file, QString::fromLatin1(tagName));
        ASSERT_EQ(walked.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            ASSERT_EQ(walked[i].record, expected[i].record) << "position " << i;
            ASSERT_EQ(hex(walked[i].key), hex(expected[i].key)) << "position " << i;
        }
        if (!perlXBaseAvailable()) return;  // reported by the Perl-only tests
        const auto perl = perlWalk(file, tagName);
        ASSERT_EQ(perl.size(), expected.size()) << "XBase::Index walk of " << tagName;
        for (size_t i = 0; i < expected.size(); ++i)
            ASSERT_EQ(perl[i], (PerlEntry{expected[i].record, hex(expected[i].key)}))
                << "XBase::Index, position " << i;
    }

    QTemporaryDir dir_;
};

// ---- fixtures -------------------------------------------------------------------------------

TEST_F(MdxIndexTest, BuildsASingleTagIndexByteForByte) {
    const std::string expected = readBytes(fixture("example/EXAMPLE.MDX"));
    ASSERT_EQ(expected.size(), 4096u);
    const std::string built =
        MdxIndex::build("EXAMPLE", {tag("NPP", 'N', 12, {"   2", "   1"})}, kFixtureDate);
    EXPECT_EQ(hex(built), hex(expected));
}

// The fixtures fill the bytes that no dBase-made file has confirmed yet (file header 30-31,
// tag header 4-7, 11, 20, 246, 248-259, 480) with xbase64's conventions; the writer uses the
// same ones, so the whole files match, those bytes included.
TEST_F(MdxIndexTest, BuildsTheFixturesFromTheirTablesByteForByte) {
    struct Case {
        const char* dbf;
        const char* mdx;
        const char* base;
        std::vector<std::pair<const char*, char>> tags;  // field = tag name, key type
    };
    const std::vector<Case> cases = {
        {"npp/DAYDATA.DBF", "npp/DAYDATA.MDX", "DAYDATA", {{"NPP", 'N'}}},
        {"char/PLANTNAM.DBF", "char/PLANTNAM.MDX", "PLANTNAM", {{"SENDPREFIX", 'C'}}},
        {"multi/MULTI.DBF",
         "multi/MULTI.MDX",
         "MULTI",
         {{"NPP", 'N'}, {"PAY_DATA", 'D'}, {"KOMU", 'C'}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mdx);
        const auto texts = dbfFieldTexts(fixture(c.dbf));
        ASSERT_FALSE(texts.empty());
        std::vector<MdxIndex::TagData> tags;
        for (const auto& [field, type] : c.tags) {
            const auto& column = texts.at(field);
            tags.push_back(tag(field, type, static_cast<int>(column.front().size()), column));
        }
        const std::string expected = readBytes(fixture(c.mdx));
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(hex(MdxIndex::build(c.base, tags, kFixtureDate)), hex(expected));
    }
}

TEST_F(MdxIndexTest, ReadsAndWalksTheFixtures) {
    const auto tags = MdxIndex::readTags(fixture("multi/MULTI.MDX"));
    ASSERT_EQ(tags.size(), 3u);
    EXPECT_EQ(tags[0].name, "NPP");
    EXPECT_EQ(tags[0].expression, "NPP");
    EXPECT_EQ(tags[0].keyType, 'N');
    EXPECT_EQ(tags[0].keyLength, 12);
    EXPECT_EQ(tags[1].name, "PAY_DATA");
    EXPECT_EQ(tags[1].keyType, 'D');
    EXPECT_EQ(tags[1].keyLength, 8);
    EXPECT_EQ(tags[2].name, "KOMU");
    EXPECT_EQ(tags[2].keyType, 'C');
    EXPECT_EQ(tags[2].keyLength, 10);

    // Orders listed with the fixtures.
    EXPECT_EQ(records(MdxIndex::walk(fixture("example/EXAMPLE.MDX"), "NPP")),
              (std::vector<int>{2, 1}));
    EXPECT_EQ(records(MdxIndex::walk(fixture("npp/DAYDATA.MDX"), "npp")),
              (std::vector<int>{2, 4, 1, 5, 3}));
    const auto prefixes = MdxIndex::walk(fixture("char/PLANTNAM.MDX"), "SENDPREFIX");
    EXPECT_EQ(records(prefixes), (std::vector<int>{4, 2, 3, 1, 5}));
    ASSERT_EQ(prefixes.size(), 5u);
    EXPECT_EQ(prefixes[0].key, "AA");
    EXPECT_EQ(prefixes[4].key, "MZ");

    // The two-level trees hold every record once, in key order.
    const auto komu = MdxIndex::walk(fixture("multi/MULTI.MDX"), "KOMU");
    ASSERT_EQ(komu.size(), 150u);
    EXPECT_TRUE(std::is_sorted(komu.begin(), komu.end(),
                               [](const auto& a, const auto& b) { return a.key < b.key; }));
    std::set<int> seen;
    for (const auto& e : MdxIndex::walk(fixture("multi/MULTI.MDX"), "PAY_DATA"))
        seen.insert(e.record);
    EXPECT_EQ(seen.size(), 150u);
    EXPECT_EQ(*seen.begin(), 1);
    EXPECT_EQ(*seen.rbegin(), 150);
}

// ---- key encodings --------------------------------------------------------------------------

TEST(MdxKeys, NumericKeysAreBcd) {
    struct Vector {
        const char* text;
        const char* key;  // leading bytes; the rest of the 12 are zero
    };
    const Vector vectors[] = {
        {"   1", "350510"},
        {"  12", "360912"},
        {"   0", "3401"},
        {"    ", "3401"},
        {"", "3401"},
        {"  -5", "358550"},
        {"3.25", "350d3250"},
        {"  10", "360510"},
        {"0.05", "330550"},
        {"20.50", "360d2050"},
        {"-25.50", "368d2550"},
        {"1500.00", "380915"},
        {"   -0.00", "3401"},
        {"  .5", "340550"},
        {"  -0.05", "338550"},
        {"12345678901234567891", "485112345678901234567891"},
        {"0.0000001", "2e0510"},
    };
    for (const Vector& v : vectors) {
        std::string expected = unhex(v.key);
        expected.resize(12, '\0');
        EXPECT_EQ(hex(MdxIndex::numericKey(v.text)), hex(expected)) << "'" << v.text << "'";
    }
    // Leading blanks, a plus sign and a decimal comma do not change the value.
    EXPECT_EQ(MdxIndex::numericKey("+7"), MdxIndex::numericKey("      7.00"));
    EXPECT_EQ(MdxIndex::numericKey("1,5"), MdxIndex::numericKey("1.5"));
    // An overflowed field ("***") reads as zero, like a blank one.
    EXPECT_EQ(MdxIndex::numericKey("****"), MdxIndex::numericKey(""));
    // More than 20 significant digits keep the first 20.
    EXPECT_EQ(MdxIndex::numericKey("1234567890.12345678901"),
              MdxIndex::numericKey("1234567890.1234567890"));
}

TEST(MdxKeys, DateKeysAreJulianDayDoubles) {
    auto asDouble = [](const std::string& key) {
        EXPECT_EQ(key.size(), 8u);
        std::uint64_t bits = 0;
        for (int i = 7; i >= 0; --i) bits = (bits << 8) | static_cast<unsigned char>(key[i]);
        double d = 0;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    };
    EXPECT_EQ(hex(MdxIndex::dateKey("20081013")), "0000008070ba4241");
    EXPECT_EQ(asDouble(MdxIndex::dateKey("20000101")), 2451545.0);
    EXPECT_EQ(asDouble(MdxIndex::dateKey("19810101")), 2444606.0);
    EXPECT_EQ(asDouble(MdxIndex::dateKey("19000301")) + 1, asDouble(MdxIndex::dateKey("19000302")));
    // Blank, zero and impossible dates all get the blank key, which sorts after real dates.
    for (const char* blank : {"        ", "", "00000000", "20081332", "2008101", "2008-1-1"})
        EXPECT_EQ(asDouble(MdxIndex::dateKey(blank)), 1.0e100) << "'" << blank << "'";
    EXPECT_EQ(MdxIndex::dateKey(std::string(8, '\0')), MdxIndex::dateKey("        "));
}

// ---- key order ------------------------------------------------------------------------------

TEST_F(MdxIndexTest, NumericOrderIsByValueThenRecord) {
    const std::vector<std::string> texts = {
        "   10.00", "   -5.00", "    0.05", "        ", "   -0.05", "   10.00",
        "  -25.50", "    9.99", "    0.00", "  100.00", "   -5.00", "    1.50",
    };
    // Values -25.5 (7), -5 (2, 11), -0.05 (5), 0 (4 blank, 9), 0.05 (3), 1.5 (12), 9.99 (8),
    // 10 (1, 6), 100 (10).
    const std::vector<int> order = {7, 2, 11, 5, 4, 9, 3, 12, 8, 1, 6, 10};
    std::vector<MdxIndex::Entry> expected;
    for (int r : order) expected.push_back({r, MdxIndex::numericKey(texts[r - 1])});
    expectWalk(MdxIndex::build("T", {tag("SUM", 'N', 12, texts)}, kFixtureDate), "SUM", expected);
}

TEST_F(MdxIndexTest, DateAndCharacterOrder) {
    const std::vector<std::string> dates = {"20081013", "        ", "19991231",
                                            "20081013", "00000000", "20000101"};
    std::vector<MdxIndex::Entry> expectedDates;
    for (int r : {3, 6, 1, 4, 2, 5}) expectedDates.push_back({r, MdxIndex::dateKey(dates[r - 1])});

    // Character keys compare as unsigned bytes: Cyrillic (cp1251 0xC0..0xFF) after Latin.
    const std::vector<std::string> names = {"\xC8\xE2", "AB", "A ", "ab", "AB", "\xC0\xC0"};
    std::vector<MdxIndex::Entry> expectedNames;
    for (int r : {3, 2, 5, 4, 6, 1}) expectedNames.push_back({r, names[r - 1]});

    // Character texts are cut or padded to the key length.
    const std::vector<std::string> ragged = {"LONGER", "AB", "ABCD"};
    const std::vector<MdxIndex::Entry> expectedRagged = {{2, "AB  "}, {3, "ABCD"}, {1, "LONG"}};

    const std::string image = MdxIndex::build(
        "T", {tag("DAY", 'D', 8, dates), tag("NAME", 'C', 2, names), tag("CODE", 'C', 4, ragged)},
        kFixtureDate);
    expectWalk(image, "DAY", expectedDates);
    expectWalk(image, "NAME", expectedNames);
    expectWalk(image, "CODE", expectedRagged);
}

TEST_F(MdxIndexTest, EmptyTagIsOneEmptyLeaf) {
    const std::string image = MdxIndex::build("T", {tag("NPP", 'N', 12, {})}, kFixtureDate);
    EXPECT_EQ(image.size(), 8u * kPage);
    const TreeShape shape = treeShape(image, 0);
    EXPECT_EQ(shape.nodes, 1u);
    EXPECT_EQ(shape.maxEntries, 0u);
    expectWalk(image, "NPP", {});
}

// ---- large trees ----------------------------------------------------------------------------

struct GeneratedTag {
    MdxIndex::TagData data;
    std::vector<MdxIndex::Entry> expected;  // key order, computed independently
};

std::string formatCents(long long cents, int width) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s%lld.%02lld", cents < 0 ? "-" : "", std::llabs(cents) / 100,
                  std::llabs(cents) % 100);
    std::string s = buf;
    return std::string(static_cast<size_t>(std::max(0, width - static_cast<int>(s.size()))), ' ') +
           s;
}

GeneratedTag numericTag(int count, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<long long> cents(-5'000'000, 5'000'000);
    GeneratedTag g;
    std::vector<std::pair<long long, int>> byValue;
    for (int r = 1; r <= count; ++r) {
        long long v = cents(rng);
        if (r % 7 == 0) v = (v / 1000) * 1000;  // many duplicates and trailing zeros
        const bool blank = r % 101 == 0;
        g.data.fieldTexts.push_back(blank ? std::string(15, ' ') : formatCents(v, 15));
        byValue.push_back({blank ? 0 : v, r});
    }
    std::sort(byValue.begin(), byValue.end());
    for (const auto& [v, r] : byValue)
        g.expected.push_back({r, MdxIndex::numericKey(g.data.fieldTexts[r - 1])});
    g.data.info = {"PAY_SUM", "PAY_SUM", 'N', 12};
    return g;
}

GeneratedTag dateTag(int count, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> days(0, 15000);
    GeneratedTag g;
    std::vector<std::pair<double, int>> byDay;
    for (int r = 1; r <= count; ++r) {
        const bool blank = r % 53 == 0;
        const QDate d = QDate(1990, 1, 1).addDays(days(rng));
        g.data.fieldTexts.push_back(blank ? std::string(8, ' ')
                                          : d.toString(QStringLiteral("yyyyMMdd")).toStdString());
        byDay.push_back({blank ? INFINITY : static_cast<double>(d.toJulianDay()), r});
    }
    std::sort(byDay.begin(), byDay.end());
    for (const auto& [day, r] : byDay)
        g.expected.push_back({r, MdxIndex::dateKey(g.data.fieldTexts[r - 1])});
    g.data.info = {"PAY_DATA", "PAY_DATA", 'D', 8};
    return g;
}

// Keys of `width` bytes from a small alphabet (Latin, digits, space, cp1251 Cyrillic), so
// that duplicates occur; Perl probes must not contain a newline, and none does.
GeneratedTag charTag(int count, int width, unsigned seed) {
    static const std::string alphabet = "AKMZ09 \xC0\xC8\xDF\xE0\xFF";
    std::mt19937 rng(seed);
    std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> len(0, width);
    GeneratedTag g;
    std::vector<std::pair<std::string, int>> byKey;
    for (int r = 1; r <= count; ++r) {
        std::string s;
        const int n = std::min(len(rng), 3);  // short texts: more duplicates
        for (int i = 0; i < n; ++i) s += alphabet[pick(rng)];
        s.resize(static_cast<size_t>(width), ' ');
        g.data.fieldTexts.push_back(s);
        byKey.push_back({s, r});
    }
    std::sort(byKey.begin(), byKey.end(), [](const auto& a, const auto& b) {
        const int c = std::memcmp(a.first.data(), b.first.data(), a.first.size());
        return c != 0 ? c < 0 : a.second < b.second;
    });
    for (const auto& [k, r] : byKey) g.expected.push_back({r, k});
    g.data.info = {"KOMU", "KOMU", 'C', width};
    return g;
}

TEST_F(MdxIndexTest, MultiLevelTreesWalkInKeyOrder) {
    for (int count : {1000, 10000}) {
        SCOPED_TRACE(count);
        GeneratedTag n = numericTag(count, 11);
        GeneratedTag d = dateTag(count, 12);
        GeneratedTag c = charTag(count, 10, 13);
        const std::string image =
            MdxIndex::build("PAYMENTS", {n.data, d.data, c.data}, kFixtureDate);
        expectWalk(image, "PAY_SUM", n.expected);
        expectWalk(image, "PAY_DATA", d.expected);
        expectWalk(image, "KOMU", c.expected);

        // Nodes never exceed their capacity (N and C(10): 63 keys, D: 84) and the trees grow
        // a level where one level of interior nodes cannot hold all leaves.
        const TreeShape sn = treeShape(image, 0), sd = treeShape(image, 1),
                        sc = treeShape(image, 2);
        EXPECT_LE(sn.maxEntries, 63u);
        EXPECT_LE(sd.maxEntries, 84u);
        EXPECT_LE(sc.maxEntries, 63u);
        EXPECT_EQ(sn.depth, count > 63 * 64 ? 3 : 2);
        EXPECT_EQ(sd.depth, count > 84 * 85 ? 3 : 2);
    }
}

TEST_F(MdxIndexTest, HeadersDescribeTheTrees) {
    GeneratedTag n = numericTag(5000, 21);
    GeneratedTag c = charTag(300, 2, 22);
    c.data.info.name = "PREFIX";
    c.data.info.expression = "PREFIX";
    const std::string image = MdxIndex::build("T", {n.data, c.data}, kFixtureDate);

    // Header: page count = file size; tag headers on pages 4 and 6; free list empty.
    EXPECT_EQ(le32(image, 32) * kPage, image.size());
    EXPECT_EQ(le32(image, 36), 0u);
    EXPECT_EQ(le16(image, 28), 2u);
    EXPECT_EQ(le32(image, 544), 4u);
    EXPECT_EQ(le32(image, 576), 6u);

    size_t pagesUsed = 0;
    for (int t = 0; t < 2; ++t) {
        SCOPED_TRACE(t);
        const std::string th = image.substr(le32(image, 544 + 32 * t) * kPage, 1024);
        const TreeShape shape = treeShape(image, t);
        // Pages used, left-most and right-most leaf.
        EXPECT_EQ(le32(th, 4), shape.nodes * 2);
        EXPECT_EQ(le32(th, 248), shape.leafPages.front());
        EXPECT_EQ(le32(th, 252), shape.leafPages.back());
        pagesUsed += shape.nodes * 2;
    }
    EXPECT_EQ(image.size() / kPage, 4 + 2 * 2 + pagesUsed);  // no unused block anywhere

    // C(2): 8-byte items, 126 keys a node.
    const std::string th = image.substr(6 * kPage, 1024);
    EXPECT_EQ(le16(th, 12), 2u);
    EXPECT_EQ(le16(th, 14), 126u);
    EXPECT_EQ(le16(th, 18), 8u);
}

TEST_F(MdxIndexTest, XBaseIndexSeeksCharacterKeysThroughInteriorNodes) {
    if (!perlXBaseAvailable()) GTEST_SKIP() << "perl with XBase::Index (libdbd-xbase-perl) missing";
    GeneratedTag c = charTag(10000, 10, 31);
    const QString file = path(QStringLiteral("SEEK.MDX"));
    writeBytes(file, MdxIndex::build("SEEK", {c.data}, kFixtureDate));
    ASSERT_GE(treeShape(readBytes(file), 0).depth, 2);

    // Every distinct key, and one probe just below each (its last byte lowered by one, when
    // that makes a key absent from the tag): the seek must land on the first entry >= probe,
    // the lowest record of that key.
    std::vector<std::string> probes;
    std::vector<PerlEntry> expected;
    std::set<std::string> keys;
    for (const auto& e : c.expected) keys.insert(e.key);
    for (size_t i = 0; i < c.expected.size(); ++i) {
        if (i > 0 && c.expected[i].key == c.expected[i - 1].key) continue;
        const PerlEntry hit{c.expected[i].record, hex(c.expected[i].key)};
        probes.push_back(c.expected[i].key);
        expected.push_back(hit);
        std::string below = c.expected[i].key;
        const size_t last = below.find_last_not_of(' ');
        if (last == std::string::npos || below[last] == '\x01') continue;
        below[last] = static_cast<char>(below[last] - 1);
        if (keys.count(below) || (i > 0 && below < c.expected[i - 1].key)) continue;
        if (below.find('\n') != std::string::npos) continue;
        probes.push_back(below);
        expected.push_back(hit);
    }
    ASSERT_GT(probes.size(), 100u);
    std::string probeText;
    for (const auto& p : probes) probeText += p + "\n";
    const QString probeFile = path(QStringLiteral("probes.txt"));
    writeBytes(probeFile, probeText);

    const auto found = perlSeek(file, "KOMU", probeFile);
    ASSERT_EQ(found.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(found[i], expected[i]) << "probe '" << probes[i] << "'";
}

TEST_F(MdxIndexTest, XBaseIndexListsTheTags) {
    if (!perlXBaseAvailable()) GTEST_SKIP() << "perl with XBase::Index (libdbd-xbase-perl) missing";
    const QString file = path(QStringLiteral("TAGS.MDX"));
    MdxIndex::write(file, "TAGS",
                    {tag("NPP", 'N', 12, {"1"}), tag("KOMU", 'C', 3, {"A"}),
                     tag("PAY_DATA", 'D', 8, {"20080101"})},
                    kFixtureDate);
    const std::string out = runCommand(
        "perl -MXBase::Index -e 'my $i = XBase::Index->new($ARGV[0]) or die XBase::Index->errstr;"
        " print join(q( ), $i->tags)' " +
        shellQuote(file) + " 2>&1");
    EXPECT_EQ(out, "KOMU NPP PAY_DATA");
}

// ---- tag table ------------------------------------------------------------------------------

TEST_F(MdxIndexTest, TagTableThreadsFormABinarySearchTreeByName) {
    const std::vector<std::string> names = {"M", "D", "T", "A", "F", "R", "Z", "E", "DD", "S"};
    std::vector<MdxIndex::TagData> tags;
    for (const auto& n : names) tags.push_back(tag(n.c_str(), 'C', 1, {"x"}));
    const std::string image = MdxIndex::build("T", tags, kFixtureDate);

    auto entry = [&](int i) { return 544 + 32 * static_cast<size_t>(i - 1); };
    auto link = [&](int i, int which) {
        return static_cast<unsigned char>(image[entry(i) + 16 + which]);
    };
    EXPECT_EQ(link(1, 2), 0) << "the first entry is the root";
    std::vector<std::string> inOrder;
    std::function<void(int)> visit = [&](int i) {
        if (i == 0) return;
        ASSERT_LE(i, static_cast<int>(names.size()));
        for (int side = 0; side < 2; ++side) {
            const int child = link(i, side);
            if (!child) continue;
            EXPECT_EQ(link(child, 2), i) << "parent of entry " << child;
            if (side == 0)
                EXPECT_LT(names[child - 1], names[i - 1]);
            else
                EXPECT_GE(names[child - 1], names[i - 1]);
        }
        visit(link(i, 0));
        inOrder.push_back(names[i - 1]);
        visit(link(i, 1));
    };
    visit(1);
    std::vector<std::string> sorted = names;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(inOrder, sorted);
    // Insertion in table order: A goes left of D, which went left of M.
    EXPECT_EQ(link(2, 0), 4);
    EXPECT_EQ(link(1, 0), 2);
}

TEST_F(MdxIndexTest, HoldsUpToFortySevenTags) {
    std::vector<MdxIndex::TagData> tags;
    for (int i = 0; i < 47; ++i)
        tags.push_back(tag(QStringLiteral("TAG%1").arg(i).toLatin1().constData(), 'N', 12,
                           {std::to_string(47 - i), "5"}));
    const QString file = path(QStringLiteral("MANY.MDX"));
    MdxIndex::write(file, "MANY", tags, kFixtureDate);
    const auto read = MdxIndex::readTags(file);
    ASSERT_EQ(read.size(), 47u);
    EXPECT_EQ(read[46].name, "TAG46");
    EXPECT_EQ(records(MdxIndex::walk(file, "TAG46")), (std::vector<int>{1, 2}));  // 1 < 5
    EXPECT_EQ(records(MdxIndex::walk(file, "TAG0")), (std::vector<int>{2, 1}));   // 5 < 47

    tags.push_back(tag("TAG47", 'N', 12, {}));
    EXPECT_THROW(MdxIndex::build("MANY", tags, kFixtureDate), EngineError);
}

TEST_F(MdxIndexTest, RefusesDefinitionsItCannotWrite) {
    const QDate d = kFixtureDate;
    EXPECT_THROW(MdxIndex::build("T", {tag("K", 'C', 0, {"a"})}, d), EngineError);
    EXPECT_THROW(MdxIndex::build("T", {tag("K", 'C', 101, {"a"})}, d), EngineError);
    EXPECT_THROW(MdxIndex::build("T", {tag("K", 'L', 1, {"T"})}, d), EngineError);
    EXPECT_THROW(MdxIndex::build("T", {tag("ELEVENCHARS", 'N', 12, {})}, d), EngineError);
    EXPECT_THROW(MdxIndex::build("T", {tag("", 'N', 12, {})}, d), EngineError);
    EXPECT_THROW(MdxIndex::build("T", {tag("A B", 'N', 12, {})}, d), EngineError);
    EXPECT_THROW(MdxIndex::build("T", {tag("K", 'N', 12, {}), tag("k", 'D', 8, {})}, d),
                 EngineError);
    EXPECT_THROW(MdxIndex::build("T", {tag("K", 'N', 12, {})}, QDate()), EngineError);
    // Boundaries that are fine: a 100-byte character key, a ten-letter name, an F field.
    EXPECT_NO_THROW(MdxIndex::build("T", {tag("K", 'C', 100, {"a"})}, d));
    EXPECT_NO_THROW(MdxIndex::build("T", {tag("TENLETTERS", 'F', 12, {"1.5"})}, d));
}

// ---- writing --------------------------------------------------------------------------------

TEST_F(MdxIndexTest, WriteReplacesTheFileWhole) {
    const QString file = path(QStringLiteral("DAYDATA.MDX"));
    writeBytes(file, std::string(40000, 'x'));  // an older, longer index
    const std::vector<MdxIndex::TagData> tags = {tag("NPP", 'N', 12, {"   2", "   1"})};
    MdxIndex::write(file, "EXAMPLE", tags, kFixtureDate);
    EXPECT_EQ(hex(readBytes(file)), hex(readBytes(fixture("example/EXAMPLE.MDX"))));
    // Nothing else is left in the folder (no temporary file).
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
              QStringList{QStringLiteral("DAYDATA.MDX")});
}

TEST_F(MdxIndexTest, WriteFailureIsReportedAndKeepsTheOldFile) {
    const std::vector<MdxIndex::TagData> tags = {tag("NPP", 'N', 12, {"1"})};
    EXPECT_THROW(MdxIndex::write(path(QStringLiteral("missing/X.MDX")), "X", tags, kFixtureDate),
                 EngineError);
    // A definition that cannot be written leaves the existing index as it was.
    const QString file = path(QStringLiteral("KEEP.MDX"));
    writeBytes(file, "old");
    EXPECT_THROW(MdxIndex::write(file, "KEEP", {tag("K", 'C', 0, {"a"})}, kFixtureDate),
                 EngineError);
    EXPECT_EQ(readBytes(file), "old");
}

// ---- damaged files --------------------------------------------------------------------------

class DamagedMdxTest : public MdxIndexTest {
protected:
    // MULTI.MDX: tag headers at pages 4 (NPP), 6 (PAY_DATA), 8 (KOMU); NPP's root at page 16
    // with leaves 10, 12, 14; KOMU's root is the last block (page 30).
    void SetUp() override {
        MdxIndexTest::SetUp();
        good_ = readBytes(fixture("multi/MULTI.MDX"));
        ASSERT_EQ(good_.size(), 16384u);
    }

    // True when the file is refused with an EngineError by readTags or by walking any tag;
    // fails the test on any other exception.
    bool refused(const std::string& bytes) {
        const QString file = path(QStringLiteral("BAD.MDX"));
        writeBytes(file, bytes);
        try {
            for (const auto& t : MdxIndex::readTags(file)) MdxIndex::walk(file, t.name);
        } catch (const EngineError& e) {
            EXPECT_FALSE(e.message().isEmpty());
            return true;
        }
        return false;
    }

    std::string good_;
};

TEST_F(DamagedMdxTest, MissingFileAndUnknownTag) {
    EXPECT_THROW(MdxIndex::readTags(path(QStringLiteral("NONE.MDX"))), EngineError);
    EXPECT_THROW(MdxIndex::walk(fixture("multi/MULTI.MDX"), "NOSUCH"), EngineError);
    EXPECT_FALSE(refused(good_));
}

TEST_F(DamagedMdxTest, TruncatedFiles) {
    // The last block is KOMU's root, so every cut loses part of a tree; the tag list already
    // refuses it, since it checks that each root block lies in the file.
    const QString file = path(QStringLiteral("CUT.MDX"));
    for (size_t size : {0, 1, 47, 543, 600, 2047, 2048, 2100, 2560, 4095, 4096, 5000, 8192, 10000,
                        12288, 15360, 16000, 16383}) {
        SCOPED_TRACE(size);
        writeBytes(file, good_.substr(0, size));
        EXPECT_THROW(MdxIndex::readTags(file), EngineError);
        EXPECT_THROW(MdxIndex::walk(file, "KOMU"), EngineError);
    }
}

TEST_F(DamagedMdxTest, BogusHeaderFields) {
    auto with = [&](size_t off, std::initializer_list<unsigned char> bytes) {
        std::string b = good_;
        for (unsigned char v : bytes) b[off++] = static_cast<char>(v);
        return b;
    };
    EXPECT_TRUE(refused(with(28, {48, 0})));  // more tags than the table holds
    EXPECT_TRUE(refused(with(28, {0xFF, 0xFF})));
    EXPECT_TRUE(refused(with(28, {4, 0})));        // an empty entry counted as a tag
    EXPECT_TRUE(refused(with(0, {0x03})));         // not a dBase IV index
    EXPECT_TRUE(refused(with(20, {0, 0})));        // block size 0
    EXPECT_TRUE(refused(with(20, {3, 0})));        // 3 pages but 1024 bytes
    EXPECT_TRUE(refused(with(26, {0})));           // tag entry length
    EXPECT_TRUE(refused(with(0x224, {0})));        // tag without a name
    std::string unknownType = with(0x234, {'X'});  // key type unknown in table ...
    EXPECT_FALSE(refused(unknownType));            // ... but the tag header still tells it
    unknownType[0x809] = 'X';                      // ... and in the tag header too
    EXPECT_TRUE(refused(unknownType));
    EXPECT_FALSE(refused(with(28, {2, 0})));  // fewer tags is a consistent file
}

TEST_F(DamagedMdxTest, BogusPagePointers) {
    auto withPointer = [&](size_t off, std::uint32_t page) {
        std::string b = good_;
        setLe32(b, off, page);
        return b;
    };
    // Tag header pages.
    for (std::uint32_t page : {0u, 2u, 32u, 31u, 0x7FFFFFFFu, 0xFFFFFFFFu})
        EXPECT_TRUE(refused(withPointer(0x220, page))) << "tag header page " << page;
    // Root pages (NPP's tag header at 0x800).
    for (std::uint32_t page : {0u, 3u, 31u, 32u, 0x00800000u, 0xFFFFFFFFu})
        EXPECT_TRUE(refused(withPointer(0x800, page))) << "root page " << page;
    // A child pointer of NPP's root (page 16, first entry) and its right-most slot.
    for (std::uint32_t page : {1u, 31u, 1000u, 0xFFFFFFFFu}) {
        EXPECT_TRUE(refused(withPointer(16 * kPage + 8, page))) << "child page " << page;
        EXPECT_TRUE(refused(withPointer(16 * kPage + 8 + 2 * 16, page))) << "last child " << page;
    }
    // Key count beyond the node's capacity (63 for NPP) and a huge one.
    EXPECT_TRUE(refused(withPointer(16 * kPage, 64)));
    EXPECT_TRUE(refused(withPointer(10 * kPage, 0xFFFFFFFF)));
    // Record number 0 in a leaf.
    EXPECT_TRUE(refused(withPointer(10 * kPage + 8, 0)));
    // Key and item lengths (NPP: 12 and 16; KOMU's header at 0x1000).
    EXPECT_TRUE(refused(withPointer(0x800 + 12, 13)));
    EXPECT_TRUE(refused(withPointer(0x800 + 18, 12)));
    EXPECT_TRUE(refused(withPointer(0x800 + 18, 2000)));
    EXPECT_TRUE(refused(withPointer(0x1000 + 12, 0)));
    EXPECT_TRUE(refused(withPointer(0x1000 + 12, 101)));
}

TEST_F(DamagedMdxTest, CyclesAndDeepChainsEnd) {
    // A root that lists itself as a child, and a leaf turned into a node pointing back up.
    std::string selfLoop = good_;
    setLe32(selfLoop, 16 * kPage + 8 + 16, 16);
    EXPECT_TRUE(refused(selfLoop));
    std::string backEdge = good_;
    setLe32(backEdge, 14 * kPage, 0);       // the last leaf becomes a node whose only child is
    setLe32(backEdge, 14 * kPage + 8, 16);  // the root again
    EXPECT_TRUE(refused(backEdge));
    // Two tags sharing a subtree are fine to walk one at a time; within one tag a node
    // reached twice is damage.
    std::string shared = good_;
    setLe32(shared, 16 * kPage + 8 + 16, 10);  // second child = first child
    EXPECT_TRUE(refused(shared));

    // Chains of single-child nodes: a short one is a (strange) valid tree, one deeper than
    // any real index is refused. Built on an empty tag whose root is moved to the chain.
    const std::string empty = MdxIndex::build("T", {tag("NPP", 'N', 12, {})}, kFixtureDate);
    auto chain = [&](int length) {
        std::string b = empty;
        const std::uint32_t first = static_cast<std::uint32_t>(b.size() / kPage);
        b.resize(b.size() + static_cast<size_t>(length) * 1024, '\0');
        for (int i = 0; i < length; ++i) {
            const std::uint32_t page = first + 2 * static_cast<std::uint32_t>(i);
            setLe32(b, page * kPage, 0);
            setLe32(b, page * kPage + 8, i + 1 < length ? page + 2 : 6);  // last -> empty leaf
        }
        setLe32(b, 4 * kPage, first);
        setLe32(b, 32, static_cast<std::uint32_t>(b.size() / kPage));
        return b;
    };
    const QString file = path(QStringLiteral("CHAIN.MDX"));
    writeBytes(file, chain(10));
    EXPECT_TRUE(MdxIndex::walk(file, "NPP").empty());
    writeBytes(file, chain(200));
    EXPECT_THROW(MdxIndex::walk(file, "NPP"), EngineError);
}

TEST_F(DamagedMdxTest, RandomCorruptionIsRefusedOrReadSafely) {
    // Random bytes written over the structures. Whatever a walk returns must be bounded by
    // what the file can hold; everything else must be an EngineError (under the sanitizers
    // this also checks that no read leaves the buffers).
    std::mt19937 rng(2024);
    const QString file = path(QStringLiteral("FUZZ.MDX"));
    std::uniform_int_distribution<size_t> anywhere(0, good_.size() - 1);
    std::uniform_int_distribution<size_t> structural(0, 9);
    std::uniform_int_distribution<int> byte(0, 255);
    // Offsets where a change matters most: header, tag table, tag headers, node heads.
    const std::vector<size_t> hot = {0,      20,     22,     26,     28,     0x220,  0x234,
                                     0x240,  0x800,  0x80C,  0x812,  0xC00,  0x1000, 0x1400,
                                     0x2000, 0x2008, 0x2028, 0x3C00, 0x3C28, 0x1720};
    int refusedCount = 0;
    for (int round = 0; round < 1500; ++round) {
        std::string b = good_;
        const int changes = 1 + round % 4;
        for (int c = 0; c < changes; ++c) {
            size_t off = anywhere(rng);
            if (structural(rng) < 6)
                off = hot[static_cast<size_t>(round + c) % hot.size()] +
                      static_cast<size_t>(byte(rng) % 4);
            b[off] = static_cast<char>(byte(rng));
        }
        if (round % 5 == 0) b.resize(anywhere(rng));
        writeBytes(file, b);
        try {
            for (const auto& t : MdxIndex::readTags(file)) {
                // At most one node per page, each with at most (1024 - 12) / 5 entries
                // (the shortest item: a 1-byte key and its pointer).
                const auto entries = MdxIndex::walk(file, t.name);
                ASSERT_LE(entries.size(), b.size() / 512 * (1012 / 5)) << "round " << round;
            }
        } catch (const EngineError&) {
            ++refusedCount;
        }
    }
    EXPECT_GT(refusedCount, 100);
}

// ---- size -----------------------------------------------------------------------------------

// A day of 100,000 payments: every record is in the tag once, in key order (the time the
// build takes is a figure of bench/engine_bench).
TEST_F(MdxIndexTest, HundredThousandNumericKeysAreAllIndexedInKeyOrder) {
    std::vector<std::string> texts;
    std::mt19937 rng(5);
    std::uniform_int_distribution<long long> cents(-100'000'000, 100'000'000);
    for (int i = 0; i < 100000; ++i) texts.push_back(formatCents(cents(rng), 15));
    const QString file = path(QStringLiteral("BIG.MDX"));
    writeBytes(file, MdxIndex::build("T", {tag("PAY_SUM", 'N', 12, texts)}, kFixtureDate));
    const auto walked = MdxIndex::walk(file, QStringLiteral("PAY_SUM"));
    ASSERT_EQ(walked.size(), texts.size());
    std::vector<bool> seen(texts.size() + 1, false);
    for (size_t i = 0; i < walked.size(); ++i) {
        const int r = walked[i].record;
        ASSERT_TRUE(r >= 1 && r <= static_cast<int>(texts.size()) && !seen[r]) << "position " << i;
        seen[r] = true;
        ASSERT_EQ(walked[i].key, MdxIndex::numericKey(texts[r - 1])) << "position " << i;
        if (i > 0) {
            ASSERT_LE(MdxIndex::compareKeys('N', walked[i - 1].key, walked[i].key), 0);
        }
    }
}

}  // namespace
