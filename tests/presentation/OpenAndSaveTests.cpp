// Opening presentations made elsewhere (and broken ones), and saving atomically.

#include "Fixtures.h"

#include "engine/package/Xml.h"
#include "engine/presentation/OoxmlNames.h"
#include "engine/presentation/Presentation.h"
#include "engine/presentation/SlideLayoutPart.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

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
    // Every part the paste had no reason to change is byte for byte what LibreOffice wrote.
    const QStringList changed{"/ppt/presentation.xml", "/ppt/_rels/presentation.xml.rels"};
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
