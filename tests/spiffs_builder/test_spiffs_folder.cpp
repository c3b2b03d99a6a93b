// The disk side of spiffs_builder: which files of a folder go in and under what names, refusals
// before anything is read, the atomic image write, and unpacking that never leaves its folder.

#include <QtTest>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "disk.h"
#include "image_check.h"
#include "spiffs_image.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace fs = std::filesystem;
using spiffs::ImageFile;

namespace {

const spiffs::Layout standard {256, 8192, 1024000};

spiffs::Geometry standardGeometry()
{
    return spiffs::geometry(standard).value;
}

void writeFile(const fs::path &path, const std::string &content)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

std::string readText(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

QStringList names(const std::vector<ImageFile> &files)
{
    QStringList list;
    for (const ImageFile &file : files)
        list << QString::fromStdString(file.name);
    return list;
}

QStringList toList(const std::vector<std::string> &strings)
{
    QStringList list;
    for (const std::string &s : strings)
        list << QString::fromStdString(s);
    return list;
}

// Every path below `root`, relative, sorted.
QStringList tree(const fs::path &root)
{
    QStringList list;
    for (const auto &entry : fs::recursive_directory_iterator(root))
        list << QString::fromStdString(entry.path().lexically_relative(root).generic_u8string());
    list.sort();
    return list;
}

// An image of these files under names that build() refuses: built with stand-in names, which are
// then replaced in the index headers' name fields. Empty when that fails.
std::vector<uint8_t> imageWithNames(const std::vector<ImageFile> &files)
{
    std::vector<ImageFile> standIns = files;
    for (size_t i = 0; i < standIns.size(); ++i)
        standIns[i].name = "/stand-in " + std::to_string(i);
    auto built = spiffs::build(standIns, standard);
    if (!built)
        return {};
    std::vector<uint8_t> &image = built.value.image;
    const auto nameField = [](const std::string &name) {
        std::string field(spiffs::Geometry::nameFieldSize, '\0');
        return field.replace(0, name.size(), name);
    };
    for (size_t i = 0; i < files.size(); ++i) {
        const std::string from = nameField(standIns[i].name), to = nameField(files[i].name);
        const auto at = std::search(image.begin(), image.end(), from.begin(), from.end());
        if (at == image.end() || to.size() != from.size())
            return {};
        std::copy(to.begin(), to.end(), at);
    }
    return image;
}

// Symbolic links need a privilege on Windows, which Wine does not grant either: there each try
// fails. Returns whether the link was made.
bool makeLink(const fs::path &target, const fs::path &link)
{
    std::error_code error;
    if (fs::is_directory(target))
        fs::create_directory_symlink(target, link, error);
    else
        fs::create_symlink(target, link, error);
    return !error;
}

const char noLinks[] = "this system makes no symbolic links (Windows without the privilege, Wine)";

bool runningAsRoot()
{
#ifdef _WIN32
    return false;
#else
    return geteuid() == 0;
#endif
}

} // namespace

class TestSpiffsFolder : public QObject
{
    Q_OBJECT

    QTemporaryDir temporary;
    fs::path root;

private slots:
    void init()
    {
        QVERIFY(temporary.isValid());
        root = fs::u8path(temporary.path().toStdString()) / QTest::currentTestFunction();
        fs::remove_all(root);
        fs::create_directories(root);
    }

    void whichFilesGoInAndTheirNames()
    {
        const fs::path data = root / "data";
        writeFile(data / "b.jpg", "b");
        writeFile(data / "a.jpg", "aa");
        writeFile(data / "sub.txt", "s");
        writeFile(data / "sub" / "x", "x");
        writeFile(data / "sub" / "deeper" / "y", "");
        writeFile(data / fs::u8path("é ü.jpg"), "é");
        writeFile(data / ".gitignore", "*");
        writeFile(data / ".DS_Store", "junk");
        writeFile(data / ".gitmodules", "junk");
        writeFile(data / ".git" / "HEAD", "ref");
        writeFile(data / "sub" / ".gitignore", "*");
        writeFile(data / "sub" / ".git", "gitdir: elsewhere");
        writeFile(data / ".hidden", "h");

        const auto folder = spiffs::readFolder(data, standardGeometry());
        QVERIFY2(bool(folder), folder.error.c_str());
        QCOMPARE(names(folder.value.files),
                 QStringList({"/.hidden", "/a.jpg", "/b.jpg", "/sub.txt", "/sub/deeper/y", "/sub/x",
                              QString::fromUtf8("/é ü.jpg")}));
        QCOMPARE(folder.value.files[1].data, std::vector<uint8_t>({'a', 'a'}));
        QStringList skipped = toList(folder.value.skipped);
        skipped.sort();
        QCOMPARE(skipped,
                 QStringList({"/.DS_Store", "/.git", "/.gitignore", "/.gitmodules", "/sub/.git",
                              "/sub/.gitignore"}));
    }

    void aLinkedFileGoesInAndALinkedFolderNot()
    {
        const fs::path data = root / "data";
        writeFile(data / "a.jpg", "aa");
        writeFile(root / "outside" / "z", "outside");
        writeFile(root / "target.bin", "linked");
        if (!makeLink(root / "target.bin", data / "link.bin")
            || !makeLink(root / "outside", data / "linkdir"))
            QSKIP(noLinks);

        const auto folder = spiffs::readFolder(data, standardGeometry());
        QVERIFY2(bool(folder), folder.error.c_str());
        QCOMPARE(names(folder.value.files), QStringList({"/a.jpg", "/link.bin"}));
        QCOMPARE(folder.value.files[1].data, std::vector<uint8_t>({'l', 'i', 'n', 'k', 'e', 'd'}));
        QCOMPARE(toList(folder.value.skipped), QStringList({"/linkdir (a link to a folder)"}));
    }

    void aFolderWithTrailingSlashOrDotGivesTheSameNames()
    {
        writeFile(root / "data" / "sub" / "x", "x");
        const auto plain = spiffs::readFolder(root / "data", standardGeometry());
        const auto slash = spiffs::readFolder(fs::u8path((root / "data").u8string() + "/"),
                                              standardGeometry());
        const auto dot = spiffs::readFolder(root / "data" / "sub" / "..", standardGeometry());
        QVERIFY(plain && slash && dot);
        QCOMPARE(names(plain.value.files), QStringList({"/sub/x"}));
        QCOMPARE(names(slash.value.files), QStringList({"/sub/x"}));
        QCOMPARE(names(dot.value.files), QStringList({"/sub/x"}));
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing folder") << "missing"
                                        << "does not exist";
        QTest::newRow("a file for the folder") << "file"
                                               << "not a folder";
        QTest::newRow("name of 32 bytes") << "long"
                                          << "is 32 bytes long";
        QTest::newRow("name of 32 bytes in a subfolder") << "longsub"
                                                         << "is 32 bytes long";
        QTest::newRow("link to nothing") << "dangling"
                                         << "a symbolic link to nothing";
        QTest::newRow("link loop") << "loop"
                                   << "cannot read";
        QTest::newRow("over capacity, sizes alone")
                << "huge"
                << "2 files take 2,147,483,652 bytes, and at most 949,282 bytes of files fit";
        QTest::newRow("unreadable file") << "unreadable"
                                         << "cannot read";
        QTest::newRow("unreadable subfolder") << "unreadablesub"
                                              << "cannot read";
    }

    void refusals()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        fs::path data = root / "data";
        writeFile(data / "0.jpg", "zero");
        if (kind == "missing") {
            data = root / "nothing";
        } else if (kind == "file") {
            data = data / "0.jpg";
        } else if (kind == "long") {
            writeFile(data / std::string(31, 'n'), "");
        } else if (kind == "longsub") {
            writeFile(data / "sub" / std::string(27, 'n'), "");
        } else if (kind == "dangling") {
            if (!makeLink(root / "nowhere", data / "1.jpg"))
                QSKIP(noLinks);
        } else if (kind == "loop") {
            if (!makeLink(data / "2.jpg", data / "1.jpg")
                || !makeLink(data / "1.jpg", data / "2.jpg"))
                QSKIP(noLinks);
        } else if (kind == "huge") {
            // 2 GB without a byte on the disk: refused from its size, before any reading.
            std::ofstream(data / "huge.bin", std::ios::binary);
            fs::resize_file(data / "huge.bin", uint64_t(2) << 30);
        } else if (kind == "unreadable" || kind == "unreadablesub") {
#ifdef _WIN32
            QSKIP("Windows has no permission that stops reading: a file is only read-only");
#endif
            if (runningAsRoot())
                QSKIP("root reads every file whatever its permissions");
            const fs::path locked = kind == "unreadable" ? data / "1.jpg" : data / "sub";
            if (kind == "unreadable")
                writeFile(locked, "one");
            else
                writeFile(locked / "x", "x");
            fs::permissions(locked, fs::perms::none);
        }
        const auto folder = spiffs::readFolder(data, standardGeometry());
        std::error_code ignored; // so that the temporary folder can be removed
        fs::permissions(data / "1.jpg", fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::permissions(data / "sub", fs::perms::owner_all, fs::perm_options::add, ignored);
        QVERIFY(!folder);
        QVERIFY(folder.value.files.empty());
        QVERIFY2(QString::fromStdString(folder.error).contains(message), folder.error.c_str());
    }

    void theCapacityMessage()
    {
        for (int i = 0; i < 10; ++i) {
            std::ofstream(root / (std::to_string(i) + ".bin"), std::ios::binary);
            fs::resize_file(root / (std::to_string(i) + ".bin"), 94628);
        }
        QCOMPARE(spiffs::readFolder(root, standardGeometry()).error,
                 std::string("the files do not fit: 10 files take 946,280 bytes, but each file "
                             "takes whole pages (a page holds 251 bytes of a file), and together "
                             "they need 7 pages more than this file system holds; remove at "
                             "least 7 bytes"));
        fs::resize_file(root / "9.bin", 94627);
        for (int i = 0; i < 9; ++i)
            fs::resize_file(root / (std::to_string(i) + ".bin"), 94627);
        QVERIFY(bool(spiffs::readFolder(root, standardGeometry())));
    }

    void writeFileAtomically()
    {
        const fs::path image = root / fs::u8path("spiffs é.bin");
        const std::vector<uint8_t> first(1000, 1), second(2000, 2);
        QCOMPARE(spiffs::writeFileAtomically(image, first), std::string());
        QCOMPARE(fs::file_size(image), uint64_t(1000));
        QCOMPARE(spiffs::writeFileAtomically(image, second), std::string());
        QCOMPARE(fs::file_size(image), uint64_t(2000));
        QCOMPARE(tree(root), QStringList({QString::fromUtf8("spiffs é.bin")}));

        // Into a folder that does not exist, or over a folder: an error that names the image, not
        // the temporary file beside it, and nothing left over.
        const fs::path intoNothing = root / "nothing" / "x.bin";
        const std::string notWritten = spiffs::writeFileAtomically(intoNothing, first);
        QVERIFY(!notWritten.empty());
        QVERIFY2(notWritten.find("cannot write " + intoNothing.u8string() + ": ") == 0,
                 notWritten.c_str());
        QVERIFY2(notWritten.find(".tmp") == std::string::npos, notWritten.c_str());
        fs::create_directory(root / "folder");
        const std::string overFolder = spiffs::writeFileAtomically(root / "folder", first);
        QVERIFY2(overFolder.find("cannot write") != std::string::npos, overFolder.c_str());
        QVERIFY2(overFolder.find(".tmp") == std::string::npos, overFolder.c_str());
        QCOMPARE(tree(root), QStringList({"folder", QString::fromUtf8("spiffs é.bin")}));
    }

    void unsafeNamesAreRefused_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *name :
             {"/..", "/../x", "/a/../../x", "/.", "/./x", "/...", "/. .", "/a//b", "/a/", "//a",
              "/a\\b", "/..\\x", "/C:x", "/c:/x", "/a:b", "/x\x01y", "x", "/"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void unsafeNamesAreRefused()
    {
        QFETCH(QString, name);
        const auto path = spiffs::unpackPath(root, name.toStdString());
        QVERIFY(!path);
        QVERIFY2(path.error.find("refusing to unpack") == 0, path.error.c_str());
    }

    // One rule for both sides: every name that unpacking refuses is refused when packing, with a
    // message that names the file, so every image the builder writes unpacks.
    void packingRefusesWhatUnpackingRefuses_data()
    {
        unsafeNamesAreRefused_data();
    }

    void packingRefusesWhatUnpackingRefuses()
    {
        QFETCH(QString, name);
        const std::string stored = name.toStdString();
        const std::string error = spiffs::checkFiles({{stored, 1}}, standardGeometry());
        QVERIFY2(error.find("the name \"" + spiffs::printable(stored) + "\" ") == 0, error.c_str());
        QVERIFY2(error.find('\n') == std::string::npos && error.find('\x01') == std::string::npos,
                 error.c_str());
        QVERIFY(!spiffs::build({{stored, {'x'}}}, standard));
    }

    void packingRefusalMessages()
    {
        const spiffs::Geometry g = standardGeometry();
        QCOMPARE(spiffs::checkFiles({{"/sub/a:b.jpg", 1}}, g),
                 std::string("the name \"/sub/a:b.jpg\" holds a colon, and an image with it "
                             "would not unpack; rename the file"));
        QCOMPARE(spiffs::checkFiles({{"/x\ty", 1}}, g),
                 std::string("the name \"/x\\x09y\" holds a control character, and an image "
                             "with it would not unpack; rename the file"));
        QCOMPARE(spiffs::checkFiles({{"/a/ ./b", 1}}, g),
                 std::string("the name \"/a/ ./b\" has the path component \" .\", and an image "
                             "with it would not unpack; rename the file"));
        QCOMPARE(spiffs::checkFiles({{"/a\\b", 1}}, g),
                 std::string("the name \"/a\\b\" holds a backslash, and an image with it would "
                             "not unpack; rename the file"));
    }

    void safeNames()
    {
        const auto path = spiffs::unpackPath(root, "/sub/é x.jpg");
        QVERIFY2(bool(path), path.error.c_str());
        QCOMPARE(path.value, root / "sub" / fs::u8path("é x.jpg"));
        QVERIFY(bool(spiffs::unpackPath(root, "/.hidden..x")));
    }

    // An image with hostile names, as another writer could make it, unpacks the good files and
    // refuses the others; nothing lands outside the folder, also not through a link inside it.
    void unpackStaysInItsFolder()
    {
        const fs::path out = root / "out", outside = root / "outside";
        fs::create_directories(out);
        fs::create_directories(outside);
        // Where no links can be made, the hostile names are tried without the two through links.
        const bool links = makeLink(outside, out / "link")
                && makeLink(outside / "victim", out / "file-link");
        std::vector<ImageFile> files {{"/../escape", {'1'}},    {"/a/../../escape", {'2'}},
                                      {"/C:escape", {'5'}},     {"/a\\..\\..\\escape", {'6'}},
                                      {"/good/one.txt", {'g'}}, {"/top.txt", {'t'}},
                                      {"/good//two", {'7'}}};
        if (links)
            files.insert(files.begin(), {{"/link/escape", {'3'}}, {"/file-link", {'4'}}});
        const std::vector<uint8_t> image = imageWithNames(files);
        QVERIFY(!image.empty());
        const auto read = spiffs::read(image, standard);
        QVERIFY2(bool(read), read.error.c_str());
        QCOMPARE(read.value.size(), files.size());
        int refused = 0;
        for (const ImageFile &file : read.value) {
            const std::string error = spiffs::unpackFile(out, file);
            if (!error.empty())
                ++refused;
            QCOMPARE(error.empty(), file.name == "/good/one.txt" || file.name == "/top.txt");
        }
        QCOMPARE(refused, int(files.size()) - 2);
        QCOMPARE(tree(outside), QStringList());
        QCOMPARE(readText(out / "good" / "one.txt"), std::string("g"));
        if (!links) {
            QCOMPARE(
                    tree(root),
                    QStringList({"out", "out/good", "out/good/one.txt", "out/top.txt", "outside"}));
            QSKIP(qPrintable(QString("the hostile names passed; through links: ") + noLinks));
        }
        QCOMPARE(tree(out), QStringList({"file-link", "good", "good/one.txt", "link", "top.txt"}));
        QCOMPARE(tree(root),
                 QStringList({"out", "out/file-link", "out/good", "out/good/one.txt", "out/link",
                              "out/top.txt", "outside"}));
    }

    void unpackOverwritesAndMakesFolders()
    {
        const fs::path out = root / "out";
        writeFile(out / "a" / "b.txt", "old and longer");
        QCOMPARE(spiffs::unpackFile(out, {"/a/b.txt", {'n', 'e', 'w'}}), std::string());
        QCOMPARE(readText(out / "a" / "b.txt"), std::string("new"));
        QCOMPARE(spiffs::unpackFile(out, {"/x/y/z/é.bin", {}}), std::string());
        QCOMPARE(fs::file_size(out / "x" / "y" / "z" / fs::u8path("é.bin")), uint64_t(0));
        // A file where a folder has to go.
        const std::string error = spiffs::unpackFile(out, {"/a/b.txt/c", {'c'}});
        QVERIFY2(error.find("cannot") == 0, error.c_str());
    }

    // The whole way: a folder read, built, checked, read back and unpacked to the same files.
    void folderToImageToFolder()
    {
        const fs::path data = root / fs::u8path("Prog dir é") / "data";
        for (int digit = 0; digit < 10; ++digit)
            writeFile(data / (std::to_string(digit) + ".jpg"),
                      std::string(size_t(5000 + 333 * digit), char('a' + digit)));
        writeFile(data / fs::u8path("ünter") / "x.bin", "x");
        const auto folder = spiffs::readFolder(data, standardGeometry());
        QVERIFY2(bool(folder), folder.error.c_str());
        const auto built = spiffs::build(folder.value.files, standard);
        QVERIFY(bool(built));
        const auto problems = checkImage(built.value.image, folder.value.files, 256, 8192, 1024000);
        QVERIFY2(problems.empty(), problems.empty() ? "" : problems.front().c_str());
        const fs::path image = root / fs::u8path("out é") / "spiffs.bin";
        fs::create_directories(image.parent_path());
        QCOMPARE(spiffs::writeFileAtomically(image, built.value.image), std::string());
        const auto bytes = spiffs::readFile(image, 1024000);
        QVERIFY(bytes.value == built.value.image);
        QVERIFY(!spiffs::readFile(image, 1023999));
        const auto read = spiffs::read(bytes.value, standard);
        QVERIFY(bool(read));
        const fs::path out = root / "unpacked";
        fs::create_directory(out);
        for (const ImageFile &file : read.value)
            QCOMPARE(QString::fromStdString(spiffs::unpackFile(out, file)), QString());
        QCOMPARE(tree(out), tree(data));
        for (int digit = 0; digit < 10; ++digit) {
            const std::string name = std::to_string(digit) + ".jpg";
            QCOMPARE(readText(out / name), readText(data / name));
        }
    }
};

QTEST_APPLESS_MAIN(TestSpiffsFolder)
#include "test_spiffs_folder.moc"
