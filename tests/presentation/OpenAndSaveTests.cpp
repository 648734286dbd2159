// Opening presentations made elsewhere (and broken ones), and saving atomically.

#include "Fixtures.h"

#include "engine/package/Xml.h"
#include "engine/package/OoxmlNames.h"
#include "engine/presentation/Presentation.h"
#include "engine/presentation/SlideLayoutPart.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>
#include <zip.h>

using engine::Presentation;

namespace {

QByteArray readFile(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// A presentation written by LibreOffice from a flat OpenDocument file: two slides with notes,
// a picture. Empty when LibreOffice is not installed.
QString outsidePresentation(const QString& folder) {
    if (!fixtures::sofficeAvailable()) return {};
    QFile::copy(fixtures::fixtureDir() + "/outside.fodp", folder + "/outside.fodp");
    QProcess soffice;
    soffice.start("soffice", {"-env:UserInstallation=file://" + folder + "/lo-profile", "--headless",
                              "--convert-to", "pptx", "--outdir", folder, folder + "/outside.fodp"});
    soffice.waitForFinished(240000);
    const QString path = folder + "/outside.pptx";
    return QFile::exists(path) ? path : QString();
}

// The failure message of opening path, "" when it opened.
QString openFailure(const QString& path) {
    try {
        Presentation::open(path);
    } catch (const engine::DocumentError& e) {
        return e.message();
    }
    return {};
}

QByteArray withPart(const engine::Package& source, const QString& part, const QByteArray* bytes) {
    engine::Package copy = source;
    if (bytes) copy.setPart(part, *bytes);
    else copy.removePart(part);
    return copy.toZipBytes();
}

// Every entry of a zip as it is stored: name -> compression method and compressed bytes.
std::map<QString, std::pair<int, QByteArray>> storedEntries(const QString& path) {
    std::map<QString, std::pair<int, QByteArray>> entries;
    int error = 0;
    zip_t* z = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    if (!z) return entries;
    for (zip_int64_t i = 0; i < zip_get_num_entries(z, 0); ++i) {
        zip_stat_t st;
        if (zip_stat_index(z, zip_uint64_t(i), 0, &st) != 0) continue;
        QByteArray bytes(qsizetype(st.comp_size), Qt::Uninitialized);
        zip_file_t* f = zip_fopen_index(z, zip_uint64_t(i), ZIP_FL_COMPRESSED);
        if (f && zip_fread(f, bytes.data(), st.comp_size) == zip_int64_t(st.comp_size)) {
            entries[QString::fromUtf8(st.name)] = {int(st.comp_method), bytes};
        }
        if (f) zip_fclose(f);
    }
    zip_close(z);
    return entries;
}

}  // namespace

TEST(OpenPresentation, FaultyFilesFailNamingTheFileAndAreLeftUntouched) {
    QTemporaryDir dir;
    auto good = Presentation::createNew();
    good.addSlide(0, 12);
    good.addSlide(1, 12);
    const QString goodPath = dir.filePath("good.pptx");
    good.save(goodPath);
    const QByteArray goodBytes = readFile(goodPath);
    const auto package = engine::Package::load(goodPath);

    QByteArray malformedSlide = package.part("/ppt/slides/slide2.xml");
    malformedSlide.replace("</p:spTree>", "</p:spTre>");
    QByteArray danglingRels = package.part("/ppt/_rels/presentation.xml.rels");
    danglingRels.replace("slides/slide2.xml", "slides/slide9.xml");
    QByteArray noOfficeDocument = package.part("/_rels/.rels");
    noOfficeDocument.replace("ppt/presentation.xml", "ppt/nothing.xml");

    struct Case {
        const char* file;
        QByteArray bytes;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"plain.pptx", "this is not a zip file at all", "plain.pptx: "},
        {"truncated.pptx", goodBytes.left(goodBytes.size() / 2), "truncated.pptx: "},
        {"nopresentation.pptx", withPart(package, "/ppt/presentation.xml", nullptr), "no presentation part"},
        {"norootrel.pptx", withPart(package, "/_rels/.rels", &noOfficeDocument), "no presentation part"},
        {"dangling.pptx", withPart(package, "/ppt/_rels/presentation.xml.rels", &danglingRels),
         "ppt/presentation.xml: relationship rId7 points to missing part slides/slide9.xml"},
        {"badslide.pptx", withPart(package, "/ppt/slides/slide2.xml", &malformedSlide),
         "ppt/slides/slide2.xml: not well-formed XML"},
    };
    for (const auto& c : cases) {
        const QString path = dir.filePath(c.file);
        writeFile(path, c.bytes);
        const QString message = openFailure(path);
        EXPECT_TRUE(message.startsWith(QString(c.file) + ": ")) << c.file << ": " << message.toStdString();
        EXPECT_TRUE(message.contains(c.expected)) << c.file << ": " << message.toStdString();
        EXPECT_EQ(readFile(path), c.bytes) << c.file;
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), int(cases.size()) + 1);
    EXPECT_EQ(openFailure(dir.filePath("missing.pptx")).isEmpty(), false);
}

TEST(SavePresentation, FailureBeforeTheRenameLeavesTheOldFileAsItWas) {
    QTemporaryDir dir;
    const QString folder = dir.filePath("locked");
    QDir().mkpath(folder);
    const QString path = folder + "/deck.pptx";
    auto p = Presentation::createNew();
    p.addSlide(0, 12);
    p.save(path);
    const QByteArray before = readFile(path);

    p.addSlide(1, 12);
    p.pasteText(1, "new");
    // Make the folder refuse new files: immutable for root, read-only for anyone else.
    const bool root = ::geteuid() == 0;
    if (root) {
        if (QProcess::execute("chattr", {"+i", folder}) != 0) GTEST_SKIP() << "chattr is not available here";
    } else {
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    }
    QString message;
    try {
        p.save(path);
    } catch (const engine::DocumentError& e) {
        message = e.message();
    }
    if (root) QProcess::execute("chattr", {"-i", folder});
    else QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    EXPECT_TRUE(message.startsWith("deck.pptx: ")) << message.toStdString();
    EXPECT_EQ(readFile(path), before);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"deck.pptx"});
    EXPECT_EQ(Presentation::open(path).slideCount(), 1);
    p.save(path);
    EXPECT_EQ(Presentation::open(path).slideCount(), 2);
}

TEST(OutsidePresentation, KeepsItsSlidesNotesAndMediaAndGetsNewSlidesAtTheEnd) {
    QTemporaryDir dir;
    const QString source = outsidePresentation(dir.path());
    if (source.isEmpty()) GTEST_SKIP() << "LibreOffice (soffice) is not installed; no outside presentation to open";
    const auto original = engine::Package::load(source);
    auto p = Presentation::open(source);
    ASSERT_EQ(p.slideCount(), 2);
    const QString first = p.slidePartName(0), second = p.slidePartName(1);

    p.addSlide(p.slideCount(), 12);
    p.pasteChart(2, fixtures::chartPackageFromWorkbook(fixtures::fixtureDir() + "/charts.xlsx", 1));
    p.addSlide(p.slideCount(), 12);
    p.pasteChart(3, fixtures::chartPackageFromWorkbook(fixtures::fixtureDir() + "/charts.xlsx", 2));
    const QString saved = dir.filePath("extended.pptx");
    p.save(saved);
    EXPECT_EQ(readFile(source), readFile(source));  // the source is only read

    const auto back = Presentation::open(saved);
    ASSERT_EQ(back.slideCount(), 4);
    EXPECT_EQ(back.slidePartName(0), first);
    EXPECT_EQ(back.slidePartName(1), second);
    const auto& pkg = back.package();
    // Every part the paste had no reason to change is byte for byte what LibreOffice wrote; the
    // custom properties (and the package's relationship to them) take the deck's copy of where
    // the pasted chart came from.
    const QStringList changed{"/ppt/presentation.xml", "/ppt/_rels/presentation.xml.rels", "/docProps/custom.xml",
                              "/_rels/.rels"};
    int notes = 0, media = 0;
    for (const QString& part : original.partNames()) {
        ASSERT_TRUE(pkg.hasPart(part)) << part.toStdString();
        if (changed.contains(part)) continue;
        EXPECT_EQ(pkg.part(part), original.part(part)) << part.toStdString();
        notes += part.startsWith("/ppt/notesSlides/notesSlide") ? 1 : 0;
        media += part.startsWith("/ppt/media/") ? 1 : 0;
    }
    EXPECT_EQ(notes, 2);
    EXPECT_EQ(media, 1);
    // The notes still belong to their slides.
    EXPECT_NE(pkg.relationships(first).firstOfType(engine::ooxml::rel::kNotesSlide), nullptr);
    for (int slide = 2; slide < 4; ++slide) {
        const auto shapes = back.slideShapes(slide);
        ASSERT_EQ(shapes.size(), 1u);
        EXPECT_EQ(shapes[0].kind, engine::SlideShape::Kind::Chart);
        // Centred on LibreOffice's own slide size.
        EXPECT_EQ(shapes[0].frame.x, (back.slideWidth() - shapes[0].frame.cx) / 2);
    }
}

TEST(OutsidePresentation, WithoutABlankLayoutGetsOneInItsFirstMaster) {
    QTemporaryDir dir;
    const QString source = outsidePresentation(dir.path());
    if (source.isEmpty()) GTEST_SKIP() << "LibreOffice (soffice) is not installed; no outside presentation to open";
    // The same file with every blank layout turned into a custom one.
    auto package = engine::Package::load(source);
    for (const QString& part : package.partNames()) {
        if (!part.startsWith("/ppt/slideLayouts/slideLayout")) continue;
        QByteArray xml = package.part(part);
        xml.replace("type=\"blank\"", "type=\"cust\"");
        package.setPart(part, xml);
    }
    const QString noBlank = dir.filePath("noblank.pptx");
    package.saveAtomically(noBlank);
    int layoutsBefore = 0;
    for (const QString& n : package.partNames())
        layoutsBefore += n.endsWith(".xml") && n.startsWith("/ppt/slideLayouts/") ? 1 : 0;

    auto p = Presentation::open(noBlank);
    p.addSlide(2, 12);
    p.addSlide(3, 12);  // the added blank layout serves again
    const QString saved = dir.filePath("withblank.pptx");
    p.save(saved);
    const auto back = Presentation::open(saved);
    const auto& pkg = back.package();
    int layouts = 0;
    for (const QString& n : pkg.partNames())
        layouts += n.endsWith(".xml") && n.startsWith("/ppt/slideLayouts/") ? 1 : 0;
    EXPECT_EQ(layouts, layoutsBefore + 1);

    const auto slideRels = pkg.relationships(back.slidePartName(2));
    const auto* rel = slideRels.firstOfType(engine::ooxml::rel::kSlideLayout);
    ASSERT_NE(rel, nullptr);
    EXPECT_EQ(rel->targetPart, pkg.relationships(back.slidePartName(3)).firstOfType(engine::ooxml::rel::kSlideLayout)->targetPart);
    EXPECT_EQ(engine::layoutTypeOf(pkg.part(rel->targetPart), "t", rel->targetPart), "blank");
    EXPECT_EQ(pkg.contentTypes().of(rel->targetPart), engine::ooxml::ct::kSlideLayout);
    // The layout is listed by the first master, under an id no other master or layout has.
    const QString master = pkg.relationships(rel->targetPart).firstOfType(engine::ooxml::rel::kSlideMaster)->targetPart;
    const auto ids = engine::layoutIdsOfMaster(pkg.part(master), "t", master);
    EXPECT_EQ(QSet<quint32>(ids.begin(), ids.end()).size(), qsizetype(ids.size()));
    EXPECT_GT(ids.back(), 2147483648u);
    const auto relIds = engine::layoutRelIdsOfMaster(pkg.part(master), "t", master);
    EXPECT_EQ(pkg.relationships(master).byId(relIds.back())->targetPart, rel->targetPart);
}

TEST(OutsidePresentation, ASaveCopiesEveryEntryItDidNotChangeAsStoredAndLibreOfficeOpensIt) {
    QTemporaryDir dir;
    const QString source = outsidePresentation(dir.path());
    if (source.isEmpty()) GTEST_SKIP() << "LibreOffice (soffice) is not installed; no outside presentation to open";
    auto p = Presentation::open(source);
    p.addSlide(p.slideCount(), 12);
    p.pasteChart(2, fixtures::chartPackageFromWorkbook(fixtures::fixtureDir() + "/charts.xlsx", 1));
    const QString saved = dir.filePath("added.pptx");
    p.save(saved);

    const auto before = storedEntries(source);
    const auto after = storedEntries(saved);
    ASSERT_FALSE(before.empty());
    const QStringList changed{"[Content_Types].xml", "ppt/presentation.xml", "ppt/_rels/presentation.xml.rels",
                              "docProps/custom.xml", "_rels/.rels"};
    int media = 0;
    for (const auto& [name, stored] : before) {
        const auto it = after.find(name);
        ASSERT_NE(it, after.end()) << name.toStdString();
        if (changed.contains(name)) continue;
        // The compressed bytes themselves, not only what they inflate to.
        EXPECT_EQ(it->second.first, stored.first) << name.toStdString();
        EXPECT_TRUE(it->second.second == stored.second) << name.toStdString();
        media += name.startsWith("ppt/media/") ? 1 : 0;
    }
    EXPECT_EQ(media, 1);
    EXPECT_EQ(fixtures::pdfPageCounts({saved}, dir.path()), QList<int>{3});
}

TEST(OpenPresentation, PartsItNeverUsesAreNeitherInflatedNorHeldButSavedAsStored) {
    // Found by fuzzing: a small file holding media that inflate to gigabytes was read whole.
    // Here a part over the ratio limit stands for it: reading it would fail, copying it must not.
    QTemporaryDir dir;
    const QString source = dir.filePath("media.pptx");
    Presentation::createNew().save(source);
    const QByteArray zeros(4 * 1024 * 1024, '\0');
    int error = 0;
    zip_t* z = zip_open(QFile::encodeName(source).constData(), 0, &error);
    ASSERT_NE(z, nullptr);
    zip_source_t* blob = zip_source_buffer(z, zeros.constData(), zip_uint64_t(zeros.size()), 0);
    const zip_int64_t index = zip_file_add(z, "ppt/media/blob.bin", blob, 0);
    ASSERT_GE(index, 0);
    zip_set_file_compression(z, zip_uint64_t(index), ZIP_CM_DEFLATE, 9);
    ASSERT_EQ(zip_close(z), 0);
    engine::Limits limits;
    limits.maxRatio = 100;

    auto p = Presentation::open(source, limits);
    p.addSlide(0, 12);
    const QString saved = dir.filePath("saved.pptx");
    p.save(saved);
    const auto before = storedEntries(source);
    const auto after = storedEntries(saved);
    ASSERT_EQ(after.count("ppt/media/blob.bin"), 1u);
    EXPECT_TRUE(after.at("ppt/media/blob.bin").second == before.at("ppt/media/blob.bin").second);
    EXPECT_EQ(Presentation::open(saved).slideCount(), 1);
}
