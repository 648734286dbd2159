// Saves that meet a damaged folder: temporary files left by a save that never finished, and a
// folder that cannot be written.

#include "engine/package/Package.h"
#include "engine/presentation/Presentation.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
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
    for (const char* name : {".deck.pptx.a1B2c3.tmp", ".deck.pptx.zzzzzz.tmp", ".deck.pptx.a1B2c3.tmp.Xy7z9Q",
                             ".other.pptx.a1B2c3.tmp",
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

// A child process saves and is killed after a delay stepped across the whole save (before,
// during and after the write, the flush and the rename), then further apart until a save has
// finished before its kill. Whatever point a kill lands on, the file is the old one or the new
// one, whole; the next save leaves no temporary file beside it.
TEST(Save, KilledSaveLeavesTheOldFileOrTheNewOneWhole) {
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("deck.pptx"));
    const QString newer = dir.filePath(QStringLiteral("newer.pptx"));
    withSlides(2).save(target);
    const QByteArray old = [&] { QFile f(target); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    withSlides(40).save(newer);

    QElapsedTimer clock;
    clock.start();
    {
        QProcess child;
        child.start(QStringLiteral(QUILLMERE_SAVE_CHILD), {newer, dir.filePath(QStringLiteral("timing.pptx"))});
        ASSERT_TRUE(child.waitForFinished(120000));
        ASSERT_EQ(child.exitCode(), 0) << child.readAllStandardError().toStdString();
    }
    const qint64 childMs = std::max<qint64>(clock.elapsed(), 20);

    constexpr int kSteps = 40;
    bool finished = false;
    qint64 delay = 0;
    for (int step = 0; step <= kSteps + 30 && !(finished && step > kSteps); ++step) {
        delay = step <= kSteps ? childMs * step / kSteps : delay * 3 / 2 + 1;
        QProcess child;
        child.start(QStringLiteral(QUILLMERE_SAVE_CHILD), {newer, target});
        ASSERT_TRUE(child.waitForStarted(60000));
        if (!child.waitForFinished(int(std::min<qint64>(delay, 20000)))) {
            child.kill();
            child.waitForFinished(60000);
        } else {
            ASSERT_EQ(child.exitCode(), 0) << child.readAllStandardError().toStdString();
            finished = true;
        }
        const int slides = Presentation::open(target).slideCount();
        ASSERT_TRUE(slides == 2 || slides == 40) << "step " << step << ": " << slides << " slides";
        if (slides == 40) {
            QFile::remove(target);
            QFile f(target);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(old);
        }
    }
    EXPECT_TRUE(finished) << "no save finished before its kill";
    withSlides(3).save(target);
    QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    EXPECT_EQ(left.filter(QStringLiteral(".tmp")), QStringList());
    EXPECT_EQ(Presentation::open(target).slideCount(), 3);
}
