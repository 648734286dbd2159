#include "engine/package/Package.h"
#include "engine/package/Xml.h"
#include "engine/package/Zip.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace engine;

namespace {

const QByteArray kTypes =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
    "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
    "<Override PartName=\"/a/main.xml\" ContentType=\"test/main\"/></Types>";

const QByteArray kRootRels =
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" Type=\"t/main\" Target=\"a/main.xml\"/>"
    "<Relationship Id=\"rId2\" Type=\"t/link\" Target=\"http://x.example/\" TargetMode=\"External\"/>"
    "</Relationships>";

QString writeSample(const QTemporaryDir& dir, const QString& name,
                    std::vector<std::pair<QString, QByteArray>> extra = {}) {
    std::vector<std::pair<QString, QByteArray>> entries{
        {"[Content_Types].xml", kTypes},
        {"_rels/.rels", kRootRels},
        {"a/main.xml", "<?xml version=\"1.0\"?><m:root xmlns:m=\"urn:m\" xmlns:unused=\"urn:u\"><m:t> </m:t></m:root>"}};
    for (auto& e : extra) entries.push_back(std::move(e));
    const QString path = dir.filePath(name);
    writeZip(path, entries);
    return path;
}

std::string messageOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const DocumentError& e) {
        return e.message().toStdString();
    }
    return "no error";
}

}  // namespace

TEST(PartNames, ResolveAndRelativeTargetsAreInverse) {
    EXPECT_EQ(resolvePartName("/xl/worksheets/sheet1.xml", "../drawings/drawing1.xml"),
              "/xl/drawings/drawing1.xml");
    EXPECT_EQ(resolvePartName("", "xl/workbook.xml"), "/xl/workbook.xml");
    EXPECT_EQ(resolvePartName("/xl/workbook.xml", "/xl/styles.xml"), "/xl/styles.xml");
    EXPECT_EQ(resolvePartName("/xl/workbook.xml", "../../escape.xml"), "");
    // Targets that need folding, and ones that only look like they might.
    EXPECT_EQ(resolvePartName("/xl/workbook.xml", "./worksheets//sheet1.xml#A1"), "/xl/worksheets/sheet1.xml");
    EXPECT_EQ(resolvePartName("/xl/workbook.xml", "/xl/charts/../media/"), "/xl/media");
    EXPECT_EQ(resolvePartName("/xl/workbook.xml", "/."), "");
    EXPECT_EQ(resolvePartName("/xl/workbook.xml", "..a/.b/c..d"), "/xl/..a/.b/c..d");
    EXPECT_EQ(resolvePartName("/xl/workbook.xml", "#only"), "");
    EXPECT_EQ(relativeTarget("/ppt/slides/slide1.xml", "/ppt/charts/chart2.xml"), "../charts/chart2.xml");
    EXPECT_EQ(relativeTarget("/ppt/charts/chart2.xml", "/ppt/charts/style2.xml"), "style2.xml");
    EXPECT_EQ(relativeTarget("", "/ppt/presentation.xml"), "ppt/presentation.xml");
    EXPECT_EQ(relationshipsPartName("/ppt/slides/slide1.xml"), "/ppt/slides/_rels/slide1.xml.rels");
    EXPECT_EQ(relationshipsPartName(""), "/_rels/.rels");
}

TEST(PackageReader, ReadsPartsRelationshipsAndContentTypes) {
    QTemporaryDir dir;
    auto reader = PackageReader::open(writeSample(dir, "ok.zip"));
    EXPECT_TRUE(reader->hasPart("/A/MAIN.xml"));  // part names ignore ASCII case
    EXPECT_EQ(reader->contentTypes().of("/a/main.xml"), "test/main");
    EXPECT_EQ(reader->contentTypes().of("/_rels/.rels"),
              "application/vnd.openxmlformats-package.relationships+xml");
    const Relationships rels = reader->relationships("");
    ASSERT_EQ(rels.all().size(), 2u);
    EXPECT_EQ(rels.byId("rId1")->targetPart, "/a/main.xml");
    EXPECT_TRUE(rels.byId("rId2")->external);
    EXPECT_TRUE(rels.byId("rId2")->targetPart.isEmpty());
    EXPECT_TRUE(reader->relationships("/a/main.xml").empty());
}

TEST(PackageReader, RefusesBrokenFilesWithTheirNames) {
    QTemporaryDir dir;
    QFile text(dir.filePath("notes.xlsx"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("just some text, not a zip at all");
    text.close();
    EXPECT_EQ(messageOf([&] { PackageReader::open(text.fileName()); }), "notes.xlsx: not a zip package: the file is a text file");
    EXPECT_EQ(messageOf([&] { PackageReader::open(dir.filePath("gone.xlsx")); }), "gone.xlsx: file not found");

    // Cut a good package in half: the central directory is gone.
    const QString good = writeSample(dir, "good.xlsx");
    QFile whole(good);
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QByteArray bytes = whole.readAll();
    QFile cut(dir.filePath("cut.xlsx"));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(bytes.left(bytes.size() / 2));
    cut.close();
    const std::string truncated = messageOf([&] { PackageReader::open(cut.fileName()); });
    EXPECT_EQ(truncated.rfind("cut.xlsx: ", 0), 0u) << truncated;
    EXPECT_NE(truncated, "no error");

    const QString bare = dir.filePath("bare.xlsx");
    writeZip(bare, {{"a.xml", "<a/>"}});
    EXPECT_EQ(messageOf([&] { PackageReader::open(bare); }),
              "bare.xlsx: not an Open XML package (no [Content_Types].xml): the file is a zip archive of other files");
}

TEST(PackageReader, BoundsEveryPartItReads) {
    QTemporaryDir dir;
    const QString path = writeSample(dir, "bomb.xlsx", {{"xl/big.xml", QByteArray(3 * 1024 * 1024, '\0')}});
    Limits small;
    small.maxPartBytes = 1024 * 1024;
    auto reader = PackageReader::open(path, small);
    EXPECT_EQ(messageOf([&] { reader->read("/xl/big.xml"); }),
              "bomb.xlsx: xl/big.xml: part too large (3145728 bytes uncompressed)");

    Limits strictRatio;
    strictRatio.maxRatio = 50;
    auto ratioReader = PackageReader::open(path, strictRatio);
    const std::string ratio = messageOf([&] { ratioReader->read("/xl/big.xml"); });
    EXPECT_NE(ratio.find("compression ratio too high"), std::string::npos) << ratio;

    Limits fewEntries;
    fewEntries.maxEntries = 2;
    EXPECT_EQ(messageOf([&] { PackageReader::open(path, fewEntries); }),
              "bomb.xlsx: too many zip entries (4, at most 2)");

    // Reading in chunks may stop early without inflating the rest.
    qint64 seen = 0;
    Limits lenient;
    lenient.maxRatio = 2000;  // zeros deflate about 1030 to 1, past the default bound
    reader = PackageReader::open(path, lenient);
    reader->readInChunks("/xl/big.xml", 64 * 1024, [&](const QByteArray& chunk) {
        seen += chunk.size();
        return false;
    });
    EXPECT_LE(seen, 256 * 1024);
}

TEST(Xml, ReportsLineOfMalformedXmlAndExcessiveDepth) {
    pugi::xml_document doc;
    EXPECT_EQ(messageOf([&] { parseXml(doc, "<a>\n<b>\n</a>", "book.xlsx", "/xl/drawings/drawing1.xml"); })
                  .rfind("book.xlsx: xl/drawings/drawing1.xml: not well-formed XML at line 3", 0),
              0u);
    QByteArray deep;
    for (int i = 0; i < 300; ++i) deep += "<d>";
    for (int i = 0; i < 300; ++i) deep += "</d>";
    EXPECT_EQ(messageOf([&] { parseXml(doc, deep, "book.xlsx", "/xl/x.xml"); }),
              "book.xlsx: xl/x.xml: XML nested deeper than 256 levels");
}

TEST(Xml, RoundTripKeepsNamespacesAndBlankText) {
    pugi::xml_document doc;
    const QByteArray source =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
        "<c:chartSpace xmlns:c=\"urn:c\" xmlns:c16r2=\"urn:unused\"><c:t> </c:t></c:chartSpace>";
    parseXml(doc, source, "f", "/p.xml");
    EXPECT_EQ(xmlBytes(doc), source);
}

TEST(Package, SaveRoundTripsUntouchedPartsByteForByte) {
    QTemporaryDir dir;
    Package p = Package::load(writeSample(dir, "in.pptx"));
    Relationships rels = p.relationships("/a/main.xml");
    const QString id = rels.add("t/child", "/a/main.xml", "/a/sub/child.xml");
    EXPECT_EQ(id, "rId1");
    p.setRelationships("/a/main.xml", rels);
    p.setPart("/a/sub/child.xml", "<child/>");
    p.contentTypes().setOverride("/a/sub/child.xml", "test/child");
    const QString out = dir.filePath("out.pptx");
    p.saveAtomically(out);

    Package again = Package::load(out);
    EXPECT_EQ(again.part("/a/main.xml"), p.part("/a/main.xml"));
    EXPECT_EQ(again.relationships("/a/main.xml").byId("rId1")->target, "sub/child.xml");
    EXPECT_EQ(again.contentTypes().of("/a/sub/child.xml"), "test/child");
    EXPECT_EQ(again.freePartName("/a/sub/child%1.xml"), "/a/sub/child1.xml");
    // No temporary file is left beside the target.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

TEST(Zip, LargeEntriesAreDeflatedQuicklyYetCloseToTheUsualSize) {
    // A chart cache of many points, the kind of part that is deflated faster.
    QByteArray large;
    for (int i = 0; large.size() < 3 * 1024 * 1024; ++i)
        large += "<c:pt idx=\"" + QByteArray::number(i) + "\"><c:v>" + QByteArray::number(i * 37 % 100003) + "</c:v></c:pt>";
    const QByteArray small = large.left(4096);
    QTemporaryDir dir;
    const QString path = writeSample(dir, "large.pptx", {{"a/large.xml", large}, {"a/small.xml", small}});
    ZipReader zip(path, "large.pptx", Limits{});
    const int at = zip.find("a/large.xml");
    ASSERT_GE(at, 0);
    EXPECT_EQ(zip.read(at), large);
    EXPECT_EQ(zip.read(zip.find("a/small.xml")), small);
    const auto& entry = zip.entries()[size_t(at)];
    EXPECT_EQ(entry.method, 8);  // deflated
    // Within 8 % of level 6's size, which level 1 is not (qCompress adds 4 + 2 + 4 bytes).
    const qint64 usual = qCompress(large, 6).size() - 10;
    EXPECT_LT(entry.compressedSize, usual * 108 / 100);
}

// A deck of thousands of copied charts has more entries than a plain zip's 65,535: it is saved as
// zip64, read back whole under the default bounds, and the bound still counts its entries.
TEST(Package, SavesAndReadsBackMoreEntriesThanAPlainZipHolds) {
    QTemporaryDir dir;
    Package p = Package::load(writeSample(dir, "in.pptx"));
    constexpr int kParts = 70000;
    for (int i = 0; i < kParts; ++i) p.setPart(QStringLiteral("/a/many/p%1.xml").arg(i), QByteArray::number(i));
    const QString out = dir.filePath("many.pptx");
    p.saveAtomically(out);

    QFile file(out);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains(QByteArray("PK\x06\x06", 4))) << "no zip64 end of central directory";
    const Package again = Package::load(out);
    EXPECT_EQ(again.entryCount(), kParts + 3);
    EXPECT_EQ(again.part("/a/many/p0.xml"), "0");
    EXPECT_EQ(again.part(QStringLiteral("/a/many/p%1.xml").arg(kParts - 1)), QByteArray::number(kParts - 1));

    Limits fewer;
    fewer.maxEntries = kParts;
    EXPECT_EQ(messageOf([&] { Package::load(out, fewer); }),
              "many.pptx: too many zip entries (70003, at most 70000)");
}

TEST(Package, FailedSaveLeavesTheOldFileAsItWas) {
    QTemporaryDir dir;
    const QString target = writeSample(dir, "keep.pptx");
    QFile f(target);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    Package p = Package::load(target);
    p.setPart("/a/main.xml", "changed");
    // A folder in the way of the temporary file's rename target cannot be replaced.
    const QString blocked = dir.filePath("blocked.pptx");
    ASSERT_TRUE(QDir(dir.path()).mkdir("blocked.pptx"));
    EXPECT_THROW(p.saveAtomically(blocked), DocumentError);
    EXPECT_THROW(p.saveAtomically(dir.filePath("missing/folder.pptx")), DocumentError);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST(PackageAddPart, RelatedPartsGetFreeNamesOneContentTypeEachAndUniqueIds) {
    QTemporaryDir dir;
    Package p = Package::load(writeSample(dir, "in.pptx", {{"a/media/image1.png", "png1"}}));
    Relationships rels = p.relationships("/a/main.xml");
    rels.add("t/other", "/a/main.xml", "/a/media/image1.png");
    const auto first =
        p.addPart("/a/media/image%1.png", "png2", "image/png", "/a/main.xml", rels, "t/image");
    const auto second =
        p.addPart("/a/media/image%1.png", "png3", "image/png", "/a/main.xml", rels, "t/image");
    const auto xmlPart =
        p.addPart("/a/sub/child%1.xml", "<c/>", "test/child", "/a/main.xml", rels, "t/child");
    p.setRelationships("/a/main.xml", rels);

    EXPECT_EQ(first.name, "/a/media/image2.png");
    EXPECT_EQ(second.name, "/a/media/image3.png");
    EXPECT_EQ(p.part(second.name), "png3");
    const QSet<QString> ids{first.relationshipId, second.relationshipId, xmlPart.relationshipId};
    EXPECT_EQ(ids.size(), 3);
    EXPECT_FALSE(ids.contains("rId1"));
    EXPECT_EQ(p.relationships("/a/main.xml").byId(second.relationshipId)->targetPart, second.name);

    // Pictures share one default for their extension, XML parts get one override each.
    const QByteArray types = p.contentTypes().serialize();
    EXPECT_EQ(types.count("Extension=\"png\""), 1);
    EXPECT_EQ(types.count("PartName=\"/a/media/"), 0);
    EXPECT_EQ(types.count("PartName=\"/a/sub/child1.xml\""), 1);
    EXPECT_EQ(p.contentTypes().of(xmlPart.name), "test/child");
    p.setContentType(xmlPart.name, "test/child");
    EXPECT_EQ(p.contentTypes().serialize(), types);
}

TEST(PackageAddPart, ReadsAndWritesTheSourcesRelationshipsItselfAndTakesFixedNames) {
    QTemporaryDir dir;
    Package p = Package::load(writeSample(dir, "in.pptx"));
    const auto added =
        p.addPart("/docProps/custom.xml", "<p/>", "test/custom", QString(), "t/custom");
    EXPECT_EQ(added.name, "/docProps/custom.xml");
    const Relationships root = p.relationships(QString());
    ASSERT_NE(root.byId(added.relationshipId), nullptr);
    EXPECT_EQ(root.byId(added.relationshipId)->target, "docProps/custom.xml");
    EXPECT_EQ(root.all().size(), 3u);  // the two it had are kept
}

TEST(PackageAddPart, RefusesWithoutChangingThePackage) {
    QTemporaryDir dir;
    Package p = Package::load(writeSample(dir, "in.pptx"));
    const QStringList parts = p.partNames();
    const QByteArray types = p.contentTypes().serialize();
    const QByteArray rels = p.part("/_rels/.rels");
    const auto refused = [&](const std::function<void()>& add, DocumentError::Kind kind) {
        try {
            add();
            ADD_FAILURE() << "no error";
        } catch (const DocumentError& e) {
            EXPECT_EQ(e.kind(), kind) << e.message().toStdString();
        }
        EXPECT_EQ(p.partNames(), parts);
        EXPECT_EQ(p.contentTypes().serialize(), types);
        EXPECT_EQ(p.part("/_rels/.rels"), rels);
    };
    // A fixed name already taken (it would overwrite the part), a source that is not there,
    // names that would leave the package, no content type.
    refused([&] { p.addPart("/a/main.xml", "<x/>", "test/x", QString(), "t/x"); },
            DocumentError::Kind::Corrupt);
    refused([&] { p.addPart("/a/x%1.xml", "<x/>", "test/x", "/a/absent.xml", "t/x"); },
            DocumentError::Kind::Missing);
    refused([&] { p.addPart("/a/../x%1.xml", "<x/>", "test/x", QString(), "t/x"); },
            DocumentError::Kind::Unsupported);
    refused([&] { p.addPart("a/x.xml", "<x/>", "test/x", QString(), "t/x"); },
            DocumentError::Kind::Unsupported);
    refused([&] { p.addPart("/a/x%1.xml", "<x/>", QString(), QString(), "t/x"); },
            DocumentError::Kind::Unsupported);
}
