// The image format library of spiffs_builder: round trips through its own writer and reader with
// every image checked by the structural checker, a worked example of one 1,000-byte file byte
// for byte, the capacity rule, layouts, the images the reference tool made, and hostile images.

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QtTest>

#include <algorithm>
#include <random>

#include "capacity.h"
#include "image_check.h"
#include "spiffs_image.h"

using spiffs::ImageFile;
using spiffs::Layout;
using Files = std::vector<ImageFile>;
Q_DECLARE_METATYPE(Files)

namespace {

const Layout standard {256, 8192, 1024000};

std::vector<uint8_t> randomBytes(size_t size, unsigned seed)
{
    std::mt19937 generator(seed);
    std::vector<uint8_t> bytes(size);
    for (uint8_t &byte : bytes)
        byte = uint8_t(generator());
    return bytes;
}

ImageFile file(const std::string &name, size_t size, unsigned seed = 1)
{
    return {name, randomBytes(size, seed)};
}

Files sorted(Files files)
{
    std::sort(files.begin(), files.end(),
              [](const ImageFile &a, const ImageFile &b) { return a.name < b.name; });
    return files;
}

bool sameFiles(const Files &a, const Files &b)
{
    const Files x = sorted(a), y = sorted(b);
    return x.size() == y.size()
            && std::equal(x.begin(), x.end(), y.begin(),
                          [](const ImageFile &p, const ImageFile &q) {
                              return p.name == q.name && p.data == q.data;
                          });
}

QByteArray joined(const std::vector<std::string> &problems)
{
    std::string text;
    for (const std::string &problem : problems)
        text += "\n  " + problem;
    return QByteArray::fromStdString(text);
}

QString goldenPath(const QString &name)
{
    return QStringLiteral(GOLDEN_DIR "/") + name;
}

// An input folder as the golden README reads it: every file below it but .gitignore, read with Qt,
// independent of the builder's own folder reading.
Files readInput(const QString &folder)
{
    Files files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (it.fileName() == QLatin1String(".gitignore"))
            continue;
        QFile input(path);
        if (!input.open(QIODevice::ReadOnly))
            qFatal("cannot read %s", qPrintable(path));
        const QByteArray data = input.readAll();
        files.push_back({"/" + QDir(folder).relativeFilePath(path).toStdString(),
                         std::vector<uint8_t>(data.begin(), data.end())});
    }
    return files;
}

std::vector<uint8_t> readImage(const QString &path)
{
    QFile input(path);
    if (!input.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    const QByteArray data = input.readAll();
    return std::vector<uint8_t>(data.begin(), data.end());
}

// Builds, checks the structure, reads back; the image for more checks.
std::vector<uint8_t> roundTrip(const Files &files, const Layout &layout = standard)
{
    const spiffs::Result<spiffs::Built> built = spiffs::build(files, layout);
    if (!built) {
        QTest::qFail(("build failed: " + built.error).c_str(), __FILE__, __LINE__);
        return {};
    }
    const std::vector<std::string> problems
            = checkImage(built.value.image, files, uint32_t(layout.page), uint32_t(layout.block),
                         uint32_t(layout.size));
    if (!problems.empty()) {
        QTest::qFail("structure: " + joined(problems), __FILE__, __LINE__);
        return {};
    }
    const spiffs::Result<Files> read = spiffs::read(built.value.image, layout);
    if (!read) {
        QTest::qFail(("read failed: " + read.error).c_str(), __FILE__, __LINE__);
        return {};
    }
    if (!sameFiles(read.value, files)) {
        QTest::qFail("the files read back differ", __FILE__, __LINE__);
        return {};
    }
    const spiffs::Result<spiffs::Geometry> g = spiffs::geometry(layout);
    uint64_t pages = 0;
    for (const ImageFile &f : files)
        pages += spiffs::pagesFor(f.data.size(), g.value);
    if (built.value.pagesUsed != pages) {
        QTest::qFail("pagesUsed differs from the sum of pagesFor()", __FILE__, __LINE__);
        return {};
    }
    return built.value.image;
}

void put16(std::vector<uint8_t> &image, size_t at, uint16_t value)
{
    image[at] = uint8_t(value);
    image[at + 1] = uint8_t(value >> 8);
}

// The page whose header starts with this id and span; 0 if none.
size_t pageOf(const std::vector<uint8_t> &image, uint16_t id, uint16_t span)
{
    for (size_t page = 1; page < image.size() / 256; ++page) {
        const uint8_t *at = &image[page * 256];
        if (page % 32 != 0 && (at[0] | at[1] << 8) == id && (at[2] | at[3] << 8) == span)
            return page;
    }
    return 0;
}

// Pages of a file with this many data pages, counted here apart from the builder.
uint64_t pagesWithData(uint64_t dataPages, const spiffs::Geometry &g)
{
    const uint64_t beyondHeader = dataPages > g.headerEntries ? dataPages - g.headerEntries : 0;
    return 1 + dataPages + (beyondHeader + g.indexEntries - 1) / g.indexEntries;
}

uint64_t dataPagesOf(uint64_t size, const spiffs::Geometry &g)
{
    return (size + g.dataPerPage - 1) / g.dataPerPage;
}

// The most data pages that `files` files can have in `pages` pages, by trying every share; -1
// when not even empty files fit.
int64_t mostDataPagesBySearch(int files, uint64_t pages, const spiffs::Geometry &g)
{
    if (files == 0)
        return 0;
    int64_t most = -1;
    for (uint64_t data = 0; pagesWithData(data, g) <= pages; ++data) {
        const int64_t others = mostDataPagesBySearch(files - 1, pages - pagesWithData(data, g), g);
        if (others >= 0)
            most = std::max(most, int64_t(data) + others);
    }
    return most;
}

// The fewest bytes to cut from the ends of files of these sizes so that they fit, by trying every
// cut of every file.
uint64_t fewestBytesToCut(const std::vector<uint64_t> &sizes, const spiffs::Geometry &g)
{
    uint64_t pages = 0;
    for (const uint64_t size : sizes)
        pages += pagesWithData(dataPagesOf(size, g), g);
    if (pages <= g.usablePages)
        return 0;
    const uint64_t excess = pages - g.usablePages, never = UINT64_MAX;
    std::vector<uint64_t> least(excess + 1, never); // [p]: fewest bytes that free p pages or more
    least[0] = 0;
    for (const uint64_t size : sizes) {
        const uint64_t data = dataPagesOf(size, g);
        std::vector<uint64_t> next = least;
        for (uint64_t kept = 0; kept < data; ++kept) {
            const uint64_t freed = pagesWithData(data, g) - pagesWithData(kept, g);
            const uint64_t cut = size - kept * g.dataPerPage;
            for (uint64_t p = 0; p <= excess; ++p) {
                const uint64_t to = std::min(excess, p + freed);
                if (least[p] != never)
                    next[to] = std::min(next[to], least[p] + cut);
            }
        }
        least = next;
    }
    return least[excess];
}

} // namespace

class TestSpiffsImage : public QObject
{
    Q_OBJECT

private slots:
    void geometryOfTheStandardLayout()
    {
        const auto g = spiffs::geometry(standard);
        QVERIFY2(bool(g), g.error.c_str());
        QCOMPARE(g.value.blocks, 125u);
        QCOMPARE(g.value.pagesPerBlock, 32u);
        QCOMPARE(g.value.pages, 4000u);
        QCOMPARE(g.value.entriesPerBlock, 31u);
        QCOMPARE(g.value.dataPerPage, 251u);
        QCOMPARE(g.value.headerEntries, 105u);
        QCOMPARE(g.value.indexEntries, 124u);
        QCOMPARE(g.value.usablePages, 3813u);
        QCOMPARE(g.value.magic, uint16_t(0x0429));
        // Header, data pages, and further index pages beyond 105 data pages.
        const std::pair<uint64_t, uint64_t> examples[]
                = {{0, 1},       {251, 2},     {252, 3},     {8252, 34},    {26355, 106},
                   {26356, 108}, {60000, 243}, {82688, 333}, {949282, 3813}};
        for (const auto &[size, pages] : examples)
            QCOMPARE(spiffs::pagesFor(size, g.value), pages);
    }

    void roundTrips_data()
    {
        QTest::addColumn<Files>("files");
        QTest::newRow("empty") << Files {};
        QTest::newRow("one 0-byte file") << Files {file("/zero.bin", 0)};
        QTest::newRow("251 and 252 bytes") << Files {file("/a", 251, 2), file("/b", 252, 3)};
        // 105 data spans in the header, then 124 in each further index page: 3 of them.
        QTest::newRow("several index pages")
                << Files {file("/big.bin", (105 + 2 * 124 + 1) * 251, 4)};
        QTest::newRow("index page boundaries")
                << Files {file("/h105", 105 * 251), file("/h106", 105 * 251 + 1),
                          file("/i229", 229 * 251), file("/i230", 229 * 251 + 1)};
        Files hundred;
        for (int i = 0; i < 100; ++i)
            hundred.push_back(file(QString::asprintf("/f%03d.txt", i).toStdString(),
                                   size_t(i * 37 % 600), unsigned(i)));
        QTest::newRow("a hundred small files") << hundred;
        QTest::newRow("subfolders") << Files {file("/sub/x.bin", 300), file("/sub.txt", 10),
                                              file("/sub/deeper/y", 1), file("/a", 5)};
        QTest::newRow("non-ASCII names")
                << Files {file("/é.jpg", 100), file("/日本/テスト.bin", 700),
                          file("/Ünïcödé ß.txt", 0), file(std::string(30, 'n').insert(0, "/"), 9)};
        QTest::newRow("filled to the last page, one file") << Files {file("/all", 949282)};
        Files ten;
        for (int i = 0; i < 10; ++i)
            ten.push_back(file("/" + std::to_string(i) + ".bin", 94627, unsigned(i)));
        QTest::newRow("ten files of 94,627 bytes") << ten;
        // 3,813 pages exactly: 3,812 for a file and one for an empty one.
        QTest::newRow("filled to the last page, two files")
                << Files {file("/x", 949282 - 251), file("/y", 0)};
    }

    void roundTrips()
    {
        QFETCH(Files, files);
        roundTrip(files);
    }

    void emptyFileHasTheNeverWrittenSize()
    {
        const std::vector<uint8_t> image = roundTrip({file("/zero.bin", 0)});
        QVERIFY(!image.empty());
        // Page 1, the index header; its size field at offset 8.
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(&image[256 + 8]), 4),
                 QByteArray("\xFF\xFF\xFF\xFF"));
        const auto read = spiffs::read(image, standard);
        QCOMPARE(read.value.size(), size_t(1));
        QCOMPARE(read.value[0].data.size(), size_t(0));
    }

    // FORMAT.md, section 12, byte for byte.
    void workedExampleOfFormatSection12()
    {
        const std::vector<uint8_t> content = randomBytes(1000, 13);
        const auto built = spiffs::build({{"/0.jpg", content}}, standard);
        QVERIFY2(bool(built), built.error.c_str());

        std::vector<uint8_t> expected(1024000, 0xFF);
        for (size_t block = 0; block < 125; ++block) {
            expected[block * 8192 + 252] = 0x29;
            expected[block * 8192 + 253] = 0x04;
            expected[block * 8192 + 254] = 0x00;
            expected[block * 8192 + 255] = 0x00;
        }
        const uint8_t lookup[] = {0x01, 0x80, 0x01, 0x00, 0x01, 0x00, 0x01, 0x00, 0x01, 0x00};
        std::copy(std::begin(lookup), std::end(lookup), expected.begin());
        const uint8_t header[] = {0x01, 0x80, 0x00, 0x00, 0xF8, 0xFF, 0xFF, 0xFF, 0xE8, 0x03,
                                  0x00, 0x00, 0x01, '/',  '0',  '.',  'j',  'p',  'g'};
        std::copy(std::begin(header), std::end(header), expected.begin() + 0x100);
        std::fill(expected.begin() + 0x113, expected.begin() + 0x12D, 0x00);
        const uint8_t table[] = {0x02, 0x00, 0x03, 0x00, 0x04, 0x00, 0x05, 0x00};
        std::copy(std::begin(table), std::end(table), expected.begin() + 0x12E);
        for (size_t span = 0; span < 4; ++span) {
            const size_t at = 0x200 + span * 0x100;
            const uint8_t pageHeader[] = {0x01, 0x00, uint8_t(span), 0x00, 0xFC};
            std::copy(std::begin(pageHeader), std::end(pageHeader), expected.begin() + long(at));
            const size_t count = std::min<size_t>(251, 1000 - span * 251);
            std::copy_n(content.begin() + long(span * 251), count, expected.begin() + long(at + 5));
        }
        QCOMPARE(expected[0x5FC], uint8_t(0xFF)); // the last page's tail stays erased
        QCOMPARE(built.value.image.size(), expected.size());
        const auto difference
                = std::mismatch(expected.begin(), expected.end(), built.value.image.begin());
        QVERIFY2(difference.first == expected.end(),
                 qPrintable(QString("first difference at 0x%1")
                                    .arg(difference.first - expected.begin(), 6, 16, QChar('0'))));
        QCOMPARE(built.value.pagesUsed, uint64_t(5));
    }

    void sameInputGivesTheSameImage()
    {
        Files files {file("/b", 5000, 1), file("/a", 70, 2), file("/c/d", 0)};
        const auto first = spiffs::build(files, standard);
        std::reverse(files.begin(), files.end());
        const auto second = spiffs::build(files, standard);
        QVERIFY(bool(first) && bool(second));
        QVERIFY(first.value.image == second.value.image);
    }

    void refusesWhatDoesNotFit_data()
    {
        QTest::addColumn<Files>("files");
        QTest::addColumn<QString>("message");
        QTest::newRow("one byte more than the last page")
                << Files {file("/all", 949283)}
                << "1 file takes 949,283 bytes, and at most 949,282 bytes of files fit in this "
                   "file system; remove at least 1 byte";
        Files ten;
        for (int i = 0; i < 10; ++i)
            ten.push_back(file("/" + std::to_string(i) + ".bin", 94628, unsigned(i)));
        QTest::newRow("ten files of 94,628 bytes")
                << ten << "10 files take 946,280 bytes, but each file takes whole pages";
        QTest::newRow("two files, one page too many")
                << Files {file("/x", 949282 - 251), file("/y", 0), file("/z", 0)}
                << "they need 1 page more than this file system holds";
        QTest::newRow("a name of 32 bytes")
                << Files {file("/" + std::string(31, 'x'), 1)} << "is 32 bytes long";
        QTest::newRow("a name of 32 bytes of UTF-8")
                << Files {file("/" + std::string(29, 'x') + "é", 1)} << "at most 31 bytes";
        QTest::newRow("a name without /") << Files {file("0.jpg", 1)} << "not a SPIFFS file name";
        QTest::newRow("the name /") << Files {file("/", 1)} << "not a SPIFFS file name";
        QTest::newRow("a name with NUL")
                << Files {file(std::string("/a\0b", 4), 1)} << "not a SPIFFS file name";
        QTest::newRow("a name twice")
                << Files {file("/a", 1), file("/b", 2), file("/a", 3)} << "\"/a\" is given twice";
    }

    void refusesWhatDoesNotFit()
    {
        QFETCH(Files, files);
        QFETCH(QString, message);
        const auto built = spiffs::build(files, standard);
        QVERIFY(!built);
        QVERIFY(built.value.image.empty());
        QVERIFY2(QString::fromStdString(built.error).contains(message), built.error.c_str());
    }

    // One line in the user's terms, for the progress bar: the bytes the files take, the most that
    // fit, and what to remove at least. No "%", which the Windows scripts would take apart.
    void theMessageSaysWhatIsNeededAndWhatFits_data()
    {
        QTest::addColumn<QVector<qulonglong>>("sizes");
        QTest::addColumn<QString>("message");
        QTest::newRow("bytes beyond the capacity")
                << QVector<qulonglong>(10, 100000)
                << "the files do not fit: 10 files take 1,000,000 bytes, and at most 948,780 "
                   "bytes of files fit in this file system; remove at least 51,848 bytes";
        QTest::newRow("pages beyond the capacity, the bytes within")
                << QVector<qulonglong>(10, 94628)
                << "the files do not fit: 10 files take 946,280 bytes, but each file takes whole "
                   "pages (a page holds 251 bytes of a file), and together they need 7 pages "
                   "more than this file system holds; remove at least 7 bytes";
        QTest::newRow("one file, one byte")
                << QVector<qulonglong> {949283}
                << "the files do not fit: 1 file takes 949,283 bytes, and at most 949,282 bytes "
                   "of files fit in this file system; remove at least 1 byte";
        QTest::newRow("more files than there are pages")
                << QVector<qulonglong>(3814, 0)
                << "the files do not fit: 3,814 files are more than the 3,813 that this file "
                   "system holds, even empty ones; remove at least 1 file";
        QTest::newRow("fits") << QVector<qulonglong>(10, 94627) << "";
    }

    void theMessageSaysWhatIsNeededAndWhatFits()
    {
        QFETCH(QVector<qulonglong>, sizes);
        QFETCH(QString, message);
        const spiffs::Geometry g = spiffs::geometry(standard).value;
        std::vector<spiffs::FileSize> files;
        for (int i = 0; i < sizes.size(); ++i)
            files.push_back({"/" + std::to_string(i), sizes[i]});
        const std::string error = spiffs::checkFiles(files, g);
        QCOMPARE(QString::fromStdString(error), message);
        QVERIFY(error.find('%') == std::string::npos && error.find('\n') == std::string::npos);
        // The same files with contents: build() says the same.
        if (sizes.size() == 10) {
            Files ten;
            for (int i = 0; i < 10; ++i)
                ten.push_back(file("/" + std::to_string(i), size_t(sizes[i]), unsigned(i)));
            QCOMPARE(spiffs::build(ten, standard).error, error);
        }
    }

    void capacityOfTheStandardLayout()
    {
        const spiffs::Geometry g = spiffs::geometry(standard).value;
        QCOMPARE(spiffs::capacityFor(0, g), uint64_t(0));
        QCOMPARE(spiffs::capacityFor(1, g), uint64_t(949282));
        QCOMPARE(spiffs::capacityFor(2, g), uint64_t(949282));
        QCOMPARE(spiffs::capacityFor(10, g), uint64_t(948780));
        QCOMPARE(spiffs::capacityFor(37, g), uint64_t(3776 * 251));
        QCOMPARE(spiffs::capacityFor(3812, g), uint64_t(251));
        QCOMPARE(spiffs::capacityFor(3813, g), uint64_t(0));
        QCOMPARE(spiffs::capacityFor(3814, g), uint64_t(0));
        // Reached: nine files whose index headers list full pages, the rest in the tenth.
        Files ten {file("/0", 948780 - 9 * 26355)};
        for (int i = 1; i < 10; ++i)
            ten.push_back(file("/" + std::to_string(i), 26355, unsigned(i)));
        QCOMPARE(roundTrip(ten).size(), size_t(1024000));
        ten[0] = file("/0", 948780 - 9 * 26355 + 1);
        QVERIFY(!spiffs::build(ten, standard));
    }

    // The capacity is the most that any share of the pages gives, tried share by share in layouts
    // small enough for that: more bytes never fit, however the files' sizes are chosen.
    void capacityIsTheMostThatFits_data()
    {
        QTest::addColumn<qulonglong>("page");
        QTest::addColumn<qulonglong>("block");
        QTest::addColumn<qulonglong>("size");
        QTest::newRow("30 pages, 9 in a header") << 64ull << 1024ull << 4096ull;
        QTest::newRow("42 pages, two index pages for one file") << 64ull << 512ull << 4096ull;
        QTest::newRow("93 pages of 128") << 128ull << 1024ull << 16384ull;
    }

    void capacityIsTheMostThatFits()
    {
        QFETCH(qulonglong, page);
        QFETCH(qulonglong, block);
        QFETCH(qulonglong, size);
        const spiffs::Geometry g = spiffs::geometry({page, block, size}).value;
        for (int files = 1; files <= 3; ++files) {
            const int64_t most = mostDataPagesBySearch(files, g.usablePages, g);
            QCOMPARE(spiffs::capacityFor(uint64_t(files), g), uint64_t(most) * g.dataPerPage);
        }
        QCOMPARE(spiffs::capacityFor(g.usablePages, g), uint64_t(0));
        QCOMPARE(spiffs::capacityFor(g.usablePages + 1, g), uint64_t(0));
    }

    // "Remove at least" never asks for more than the fewest bytes that make the files fit, found
    // here by trying every cut; and it is 0 exactly when they fit.
    void bytesToRemoveIsNeverTooMany_data()
    {
        QTest::addColumn<qulonglong>("page");
        QTest::addColumn<qulonglong>("block");
        QTest::addColumn<qulonglong>("size");
        QTest::addColumn<int>("fewestFiles");
        QTest::addColumn<int>("mostFiles");
        QTest::addColumn<qulonglong>("first"); // the first file's size: this, less up to `spread`
        QTest::addColumn<qulonglong>("others");
        QTest::addColumn<qulonglong>("spread");
        QTest::newRow("30 pages") << 64ull << 1024ull << 4096ull << 1 << 4 << 1770ull << 1770ull
                                  << 1770ull;
        QTest::newRow("42 pages") << 64ull << 512ull << 4096ull << 1 << 3 << 2478ull << 2478ull
                                  << 2478ull;
        QTest::newRow("standard, pictures near the limit")
                << 256ull << 8192ull << 1024000ull << 9 << 12 << 95500ull << 95500ull << 2000ull;
        QTest::newRow("standard, a large file and small ones")
                << 256ull << 8192ull << 1024000ull << 2 << 5 << 949282ull << 30000ull << 30000ull;
    }

    void bytesToRemoveIsNeverTooMany()
    {
        QFETCH(qulonglong, page);
        QFETCH(qulonglong, block);
        QFETCH(qulonglong, size);
        QFETCH(int, fewestFiles);
        QFETCH(int, mostFiles);
        QFETCH(qulonglong, first);
        QFETCH(qulonglong, others);
        QFETCH(qulonglong, spread);
        const spiffs::Geometry g = spiffs::geometry({page, block, size}).value;
        std::mt19937 generator(17);
        int exact = 0, refused = 0;
        uint64_t shortOfFewest = 0;
        for (int round = 0; round < 100; ++round) {
            const unsigned files
                    = unsigned(fewestFiles) + generator() % unsigned(mostFiles - fewestFiles + 1);
            std::vector<uint64_t> sizes {first - generator() % (spread + 1)};
            while (sizes.size() < files)
                sizes.push_back(others - generator() % (spread + 1));
            const uint64_t fewest = fewestBytesToCut(sizes, g);
            const uint64_t told = spiffs::bytesToRemove(sizes, g);
            QVERIFY2(told <= fewest, qPrintable(QString("%1 > %2").arg(told).arg(fewest)));
            QCOMPARE(told == 0, fewest == 0);
            QCOMPARE(spiffs::whyFilesDoNotFit(sizes, g).empty(), fewest == 0);
            refused += fewest != 0;
            exact += fewest != 0 && told == fewest;
            shortOfFewest = std::max(shortOfFewest, fewest - told);
        }
        qInfo("%d of %d refusals name the fewest bytes exactly; at most %llu bytes short", exact,
              refused, (unsigned long long)shortOfFewest);
        QVERIFY(refused > 20);
    }

    void numbersWithSeparators()
    {
        QCOMPARE(spiffs::withSeparators(0), std::string("0"));
        QCOMPARE(spiffs::withSeparators(999), std::string("999"));
        QCOMPARE(spiffs::withSeparators(1000), std::string("1,000"));
        QCOMPARE(spiffs::withSeparators(1234567), std::string("1,234,567"));
        QCOMPARE(spiffs::withSeparators(18446744073709551615ull),
                 std::string("18,446,744,073,709,551,615"));
    }

    void otherLayouts_data()
    {
        QTest::addColumn<qulonglong>("page");
        QTest::addColumn<qulonglong>("block");
        QTest::addColumn<qulonglong>("size");
        QTest::addColumn<uint>("usable");
        QTest::newRow("4 MB / 2 MB") << 256ull << 8192ull << 2072576ull << (253u - 2) * 31;
        QTest::newRow("4 MB / 3 MB") << 256ull << 8192ull << 3121152ull << (381u - 2) * 31;
        QTest::newRow("3 blocks") << 256ull << 8192ull << 24576ull << 31u;
        QTest::newRow("blocks of 4096") << 256ull << 4096ull << 1024000ull << (250u - 2) * 15;
        QTest::newRow("pages of 512") << 512ull << 8192ull << 1024000ull << (125u - 2) * 15;
        QTest::newRow("pages of 64") << 64ull << 1024ull << 65536ull << (64u - 2) * 15;
        QTest::newRow("largest page count") << 256ull << 8192ull << 16769024ull << (2047u - 2) * 31;
    }

    void otherLayouts()
    {
        QFETCH(qulonglong, page);
        QFETCH(qulonglong, block);
        QFETCH(qulonglong, size);
        QFETCH(uint, usable);
        const Layout layout {page, block, size};
        const auto g = spiffs::geometry(layout);
        QVERIFY2(bool(g), g.error.c_str());
        QCOMPARE(g.value.usablePages, usable);
        QCOMPARE(g.value.magic, uint16_t((0x20140529 ^ page) & 0xFFFF));
        // Files that need several index pages in this geometry, then a file system filled up.
        const size_t big
                = size_t(g.value.dataPerPage) * (g.value.headerEntries + g.value.indexEntries + 3);
        Files files {file("/small", 10), file("/empty", 0)};
        if (spiffs::pagesFor(big, g.value) + 3 <= usable)
            files.push_back(file("/big", big));
        roundTrip(files, layout);
        uint64_t free = usable;
        for (const ImageFile &f : files)
            free -= spiffs::pagesFor(f.data.size(), g.value);
        // The rest of the space in one file: as large as fits, then one byte more.
        size_t fill = 0;
        while (spiffs::pagesFor(fill + g.value.dataPerPage, g.value) <= free)
            fill += g.value.dataPerPage;
        files.push_back(file("/fill", fill));
        roundTrip(files, layout);
        files.back() = file("/fill", fill + 1);
        QVERIFY(!spiffs::build(files, layout));
    }

    void unsupportedLayouts_data()
    {
        QTest::addColumn<qulonglong>("page");
        QTest::addColumn<qulonglong>("block");
        QTest::addColumn<qulonglong>("size");
        QTest::addColumn<QString>("message");
        QTest::newRow("page not a power of two")
                << 255ull << 8160ull << 1024000ull << "page size 255";
        QTest::newRow("page 0") << 0ull << 8192ull << 1024000ull << "page size 0";
        QTest::newRow("page too small") << 32ull << 1024ull << 1024000ull << "page size 32";
        QTest::newRow("block not a multiple of the page")
                << 256ull << 8000ull << 1024000ull << "not a multiple of the page size";
        QTest::newRow("block of one page") << 256ull << 256ull << 1024000ull << "2 to 127 pages";
        QTest::newRow("block needing two lookup pages")
                << 256ull << 32768ull << 1048576ull << "2 to 127 pages";
        QTest::newRow("size not a multiple of the block")
                << 256ull << 8192ull << 1000000ull << "not a multiple of the block size";
        QTest::newRow("size 0") << 256ull << 8192ull << 0ull << "not a multiple";
        QTest::newRow("two blocks") << 256ull << 8192ull << 16384ull << "at least 3";
        QTest::newRow("more than 65535 pages")
                << 256ull << 8192ull << 16777216ull << "at most 16769024 bytes";
        QTest::newRow("4 GB") << 256ull << 8192ull << 0x100000000ull << "page numbers";
    }

    void unsupportedLayouts()
    {
        QFETCH(qulonglong, page);
        QFETCH(qulonglong, block);
        QFETCH(qulonglong, size);
        QFETCH(QString, message);
        const Layout layout {page, block, size};
        const auto g = spiffs::geometry(layout);
        QVERIFY(!g);
        QVERIFY2(QString::fromStdString(g.error).contains(message), g.error.c_str());
        QVERIFY(!spiffs::build({file("/a", 1)}, layout));
        QVERIFY(!spiffs::read(std::vector<uint8_t>(size_t(std::min<qulonglong>(size, 1 << 20))),
                              layout));
    }

    void goldenImagesReadBack_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *name : {"sample", "empty", "edges", "full"})
            QTest::newRow(name) << QString(name);
    }

    // The reference tool's images, with its deleted pages, moved headers, stray padding and
    // garbage-collection traces, read back to exactly their input, in the order of its listing.
    void goldenImagesReadBack()
    {
        QFETCH(QString, name);
        const auto read = spiffs::read(readImage(goldenPath(name + "/image.bin")), standard);
        QVERIFY2(bool(read), read.error.c_str());
        QVERIFY(sameFiles(read.value, readInput(goldenPath(name + "/input"))));
        QString listing;
        for (const ImageFile &f : read.value)
            listing += QString("%1\t%2\n").arg(f.data.size()).arg(QString::fromStdString(f.name));
        QFile expected(goldenPath(name + "/listing.txt"));
        QVERIFY(expected.open(QIODevice::ReadOnly));
        QCOMPARE(listing, QString::fromUtf8(expected.readAll()));
    }

    void goldenInputsWritten_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *name : {"sample", "empty", "edges", "full", "toobig"})
            QTest::newRow(name) << QString(name);
    }

    // What the writer makes of each golden input, toobig included (3,330 of 3,813 pages).
    void goldenInputsWritten()
    {
        QFETCH(QString, name);
        const Files input = readInput(goldenPath(name + "/input"));
        QCOMPARE(input.empty(), name == "empty");
        roundTrip(input);
    }

    void goldenInputsGiveThePinnedImage_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("sha256");
        QTest::newRow("sample")
                << "sample"
                << QByteArray("bfa260e88fb6f6fe84ed2b34122bcb6775a75d4309219dfbb70608500b5c21d3");
        QTest::newRow("edges")
                << "edges"
                << QByteArray("68e65300c175c0ad8d026b8019bbdc208181f81a033f2f5a3cf26f193ea5b8c7");
        QTest::newRow("empty")
                << "empty"
                << QByteArray("d93db705aab41c9fab61c6ddff485a02f534bd9706c02b7fb19b30e575f1e0cd");
    }

    // The writer's exact bytes, pinned: the structural checks allow more than one image, the clock
    // only ever gets this one. A change here must be deliberate, with the new image checked first.
    void goldenInputsGiveThePinnedImage()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, sha256);
        const auto built = spiffs::build(readInput(goldenPath(name + "/input")), standard);
        QVERIFY2(bool(built), built.error.c_str());
        const QByteArray image(reinterpret_cast<const char *>(built.value.image.data()),
                               int(built.value.image.size()));
        QCOMPARE(QCryptographicHash::hash(image, QCryptographicHash::Sha256).toHex(), sha256);
    }

    // Images broken in known ways: each read fails with a message, and nothing crashes.
    void hostileImages_data()
    {
        QTest::addColumn<int>("damage");
        QTest::addColumn<QString>("message");
        QTest::newRow("two blocks without magic") << 0 << "2 of 125 blocks lack the magic";
        QTest::newRow("table entry names a lookup page") << 1 << "not an object page";
        QTest::newRow("table entry beyond the image") << 2 << "not an object page";
        QTest::newRow("table entry empty") << 3 << "is empty";
        QTest::newRow("data page of another span") << 4 << "not its data page of span 0";
        QTest::newRow("size larger than the image") << 5 << "more than the image holds";
        QTest::newRow("name without an end") << 6 << "has no end";
        QTest::newRow("further index page missing") << 7 << "lacks its index page of span 1";
        QTest::newRow("two headers of one id") << 8 << "two index headers";
        QTest::newRow("a directory object") << 9 << "object type 2";
        QTest::newRow("lookup and page disagree") << 10 << "does not match its lookup entry";
        QTest::newRow("data page deleted") << 11 << "not its data page";
        QTest::newRow("two files of one name") << 12 << "two files are named";
        QTest::newRow("a block in use without magic") << 13 << "block 0 lacks the magic but holds";
    }

    void hostileImages()
    {
        QFETCH(int, damage);
        QFETCH(QString, message);
        // "/big" (id 1): header page 1, data spans 0..104 on pages 2.., index page of span 1
        // before span 105. "/small" (id 2) after it.
        std::vector<uint8_t> image = roundTrip({file("/big", 60000), file("/small", 10)});
        QVERIFY(!image.empty());
        const size_t header = 256, table = header + 46;
        switch (damage) {
        case 0:
            image[8192 * 7 + 252] = 0;
            image[8192 * 9 + 253] = 0;
            break;
        case 1:
            put16(image, table, 32);
            break;
        case 2:
            put16(image, table, 4000);
            break;
        case 3:
            put16(image, table + 2 * 7, 0xFFFF);
            break;
        case 4:
            put16(image, table, 3); // page 3 holds span 1
            break;
        case 5:
            put16(image, header + 8, 0xFFFE);
            image[header + 10] = 0xFF;
            break;
        case 6:
            std::fill_n(image.begin() + header + 13, 32, 'x');
            break;
        case 7: { // the index page of span 1, which comes right before data span 105
            const size_t index = pageOf(image, 0x8001, 1) * 256;
            QVERIFY(index != 0);
            image[index + 4] = 0x7A; // deleted
            break;
        }
        case 8: { // a copy of the header in a free page, with its lookup entry
            const size_t copy = 8192 * 100 + 256;
            std::copy_n(image.begin() + header, 256, image.begin() + long(copy));
            put16(image, 8192 * 100, 0x8001);
            break;
        }
        case 9:
            image[header + 12] = 2;
            break;
        case 10:
            put16(image, header, 0x8005);
            break;
        case 11:
            image[2 * 256 + 4] = 0x7C;
            break;
        case 12: { // the second file renamed "/big" too
            const size_t second = pageOf(image, 0x8002, 0) * 256;
            QVERIFY(second != 0);
            std::fill_n(image.begin() + long(second) + 13, 32, 0);
            std::copy_n("/big", 4, image.begin() + long(second) + 13);
            break;
        }
        case 13: // the library would erase block 0, and the files with it
            image[252] = 0;
            break;
        }
        const auto read = spiffs::read(image, standard);
        QVERIFY(!read);
        QVERIFY(read.value.empty());
        QVERIFY2(QString::fromStdString(read.error).contains(message), read.error.c_str());
    }

    void oneBlockWithoutMagicIsTakenAsErased()
    {
        std::vector<uint8_t> image = roundTrip({file("/a", 1000)});
        // After a writer fault there is nothing to damage, and writing into it would crash.
        QVERIFY(!image.empty());
        image[8192 * 50 + 252] = 0; // a free block, as after an interrupted erase
        const auto read = spiffs::read(image, standard);
        QVERIFY2(bool(read), read.error.c_str());
        QCOMPARE(read.value.size(), size_t(1));
    }

    void wrongImageSize()
    {
        std::vector<uint8_t> image = roundTrip({file("/a", 1000)});
        QVERIFY(!image.empty());
        image.pop_back();
        const auto read = spiffs::read(image, standard);
        QVERIFY(!read);
        QCOMPARE(read.error,
                 std::string("the image is 1023999 bytes, but the file system size is "
                             "1024000"));
    }

    // Random damage to real images, the reference tool's and ours: a read either succeeds or fails
    // with a message; it never crashes, loops or reads out of bounds (the sanitizer build checks).
    void randomDamageIsHandled()
    {
        const std::vector<std::vector<uint8_t>> images {
                readImage(goldenPath("edges/image.bin")), readImage(goldenPath("full/image.bin")),
                roundTrip({file("/big", 60000), file("/z", 0), file("/s", 300)})};
        QVERIFY(!images.back().empty());
        std::mt19937 generator(2024);
        int failed = 0, succeeded = 0;
        for (int round = 0; round < 600; ++round) {
            std::vector<uint8_t> image = images[size_t(round) % images.size()];
            // Mostly the pages in use at the start, sometimes anywhere; mostly the first bytes
            // of a page: lookup entries, page headers, sizes, types and the first table entries.
            const size_t pages = round % 4 == 0 ? image.size() / 256 : 320;
            const int changes = 1 + int(generator() % 20);
            for (int i = 0; i < changes; ++i) {
                const size_t offset = generator() % 3 == 0 ? generator() % 256 : generator() % 64;
                image[generator() % pages * 256 + offset] = uint8_t(generator());
            }
            const auto read = spiffs::read(image, standard);
            if (read) {
                ++succeeded;
                for (const ImageFile &f : read.value)
                    QVERIFY(f.data.size() <= 1024000);
            } else {
                ++failed;
                QVERIFY(!read.error.empty());
            }
        }
        qInfo("%d damaged images refused, %d read", failed, succeeded);
        QVERIFY(failed > 0);
    }

    void noiseIsRefused()
    {
        std::vector<uint8_t> image = randomBytes(1024000, 7);
        QVERIFY(!spiffs::read(image, standard));
        // Noise with the magic in every block.
        for (size_t block = 0; block < 125; ++block)
            put16(image, block * 8192 + 252, 0x0429);
        const auto read = spiffs::read(image, standard);
        if (!read)
            QVERIFY(!read.error.empty());
    }
};

QTEST_APPLESS_MAIN(TestSpiffsImage)
#include "test_spiffs_image.moc"
