// Saves that meet a damaged folder: temporary files left by a save that never finished, and a
// folder that cannot be written.

#include "engine/package/Package.h"
#include "engine/presentation/Presentation.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace engine;

namespace {

Presentation withSlides(int count) {
    auto p = Presentation::createNew();
    for (int i = 0; i < count; ++i) p.addSlide(i, 12);
    return p;
}

}  // namespace

TEST(Save, TemporaryFilesOfAnUnfinishedSaveAreTakenAwayByTheNextOne) {
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("deck.pptx"));
    withSlides(1).save(target);
    // What a save killed before its rename leaves, and files that only look alike.
    for (const char* name : {".deck.pptx.a1B2c3.tmp", ".deck.pptx.zzzzzz.tmp", ".other.pptx.a1B2c3.tmp",
                             ".deck.pptx.notours.tmp", "deck.pptx.a1B2c3.tmp"}) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("partial");
    }
    withSlides(2).save(target);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              QStringList({".deck.pptx.notours.tmp", ".other.pptx.a1B2c3.tmp", "deck.pptx",
                           "deck.pptx.a1B2c3.tmp"}));
    EXPECT_EQ(Presentation::open(target).slideCount(), 2);
}

TEST(Save, ReadOnlyFolderKeepsTheOldFileAndNamesIt) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("deck.pptx"));
    withSlides(1).save(target);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    try {
        withSlides(3).save(target);
        ADD_FAILURE() << "saved into a read-only folder";
    } catch (const DocumentError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("deck.pptx"))) << e.message().toStdString();
    }
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(Presentation::open(target).slideCount(), 1);
}
