// Saves that meet a damaged folder or a failing disk: temporary files left by a save that never
// finished, a folder that cannot be written, a full disk, and a save killed part-way.

#include "engine/package/Package.h"
#include "engine/presentation/Presentation.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <grp.h>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace engine;

namespace {

Presentation withSlides(int count) {
    auto p = Presentation::createNew();
    for (int i = 0; i < count; ++i) p.addSlide(i, 12);
    return p;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

TEST(Save, TemporaryFilesOfAnUnfinishedSaveAreTakenAwayByTheNextOne) {
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("deck.pptx"));
    withSlides(1).save(target);
    // What saves of this deck, of others and of pictures killed before their rename leave, and
    // files that only look alike. No writer of them lives: one would hold the folder's lock.
    for (const char* name : {".deck.pptx.a1B2c3.tmp", ".deck.pptx.zzzzzz.tmp", ".deck.pptx.a1B2c3.tmp.Xy7z9Q",
                             ".other.pptx.a1B2c3.tmp", ".other.pptx.a1B2c3.tmp.Xy7z9Q", ".Data-1.png.QwErTy.tmp",
                             ".deck.pptx.notours.tmp", ".deck.pptx.a1-2c3.tmp", "deck.pptx.a1B2c3.tmp", "..a1B2c3.tmp"}) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("partial");
    }
    withSlides(2).save(target);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              QStringList({"..a1B2c3.tmp", ".deck.pptx.a1-2c3.tmp", ".deck.pptx.notours.tmp", "deck.pptx",
                           "deck.pptx.a1B2c3.tmp"}));
    EXPECT_EQ(Presentation::open(target).slideCount(), 2);
}

TEST(Save, DeckChangedOnDiskSinceItWasReadIsNotOverwritten) {
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("deck.pptx"));
    withSlides(1).save(target);
    // Two writers read the deck; the first saves its slide, the second must not drop it.
    auto first = Presentation::open(target);
    auto second = Presentation::open(target);
    first.addSlide(1, 12);
    first.save(target);
    second.addSlide(1, 12);
    second.addSlide(2, 12);
    try {
        second.save(target);
        FAIL() << "the first writer's slide was lost";
    } catch (const DocumentError& e) {
        EXPECT_EQ(e.kind(), DocumentError::Kind::Io);
        EXPECT_EQ(e.message().toStdString(),
                  "deck.pptx: was changed by another program after it was read; not saved, so that neither change is lost");
    }
    EXPECT_EQ(Presentation::open(target).slideCount(), 2);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"deck.pptx"});
    // Saved under another name it is whole; the first writer saves again, as do copies of it
    // (the window saves from one), since its own saves changed nothing behind its back.
    second.save(dir.filePath(QStringLiteral("mine.pptx")));
    EXPECT_EQ(Presentation::open(dir.filePath(QStringLiteral("mine.pptx"))).slideCount(), 3);
    const Presentation snapshot = first;
    snapshot.save(target);
    first.addSlide(2, 12);
    first.save(target);
    EXPECT_EQ(Presentation::open(target).slideCount(), 3);
}

namespace {

// What a save refused by the disk or the folder must leave: its one clear message naming the
// file, the old file byte for byte, and nothing else in the folder.
struct RefusedSave {
    int exitCode = -1;
    QString message;
};

void expectOldFileAloneAndNamed(const RefusedSave& result, const QString& folder, const QByteArray& old,
                                const QString& reason) {
    EXPECT_EQ(result.exitCode, 2) << result.message.toStdString();
    EXPECT_TRUE(result.message.startsWith(QStringLiteral("deck.pptx: "))) << result.message.toStdString();
    if (!reason.isEmpty()) {
        EXPECT_TRUE(result.message.contains(reason)) << result.message.toStdString();
    }
    EXPECT_EQ(readAll(QDir(folder).filePath(QStringLiteral("deck.pptx"))), old);
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("deck.pptx")});
}

RefusedSave runSaveChild(const QStringList& arguments, const std::function<void()>& inChild = {}) {
    QProcess child;
    if (inChild) child.setChildProcessModifier(inChild);
    child.start(QStringLiteral(QUILLMERE_SAVE_CHILD), arguments);
    if (!child.waitForFinished(120000)) return {};
    return {child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1,
            QString::fromLocal8Bit(child.readAllStandardError()).trimmed()};
}

// Whether every folder above path lets other users through, as a program dropped to another
// user must pass them.
bool othersMayReach(const QString& path) {
    for (QFileInfo info(QFileInfo(path).absolutePath()); !info.isRoot(); info = QFileInfo(info.absolutePath())) {
        if (!(info.permissions() & QFile::ExeOther)) return false;
    }
    return true;
}

}  // namespace

TEST(Save, ReadOnlyFolderKeepsTheOldFileAndNamesIt) {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("ro"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString target = folder + QStringLiteral("/deck.pptx");
    const QString newer = dir.filePath(QStringLiteral("newer.pptx"));
    withSlides(1).save(target);
    withSlides(3).save(newer);
    const QByteArray old = readAll(target);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) | QFile::ExeOther);
    QFile::setPermissions(newer, QFile::permissions(newer) | QFile::ReadOther);
    // Permissions do not bind the superuser: as root the saving child drops to "nobody".
    std::function<void()> asNobody;
    if (geteuid() == 0) {
        if (!othersMayReach(folder) || !othersMayReach(QStringLiteral(QUILLMERE_SAVE_CHILD))) {
            GTEST_SKIP() << "the test folders or the build are out of other users' reach";
        }
        asNobody = [] {
            const gid_t none[1] = {65534};
            if (setgroups(1, none) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(77);
        };
    }
    const RefusedSave result = runSaveChild({newer, target}, asNobody);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_NE(result.exitCode, 77) << "could not become another user";
    expectOldFileAloneAndNamed(result, folder, old, QStringLiteral("cannot write in"));
}

// A full disk, made without a mount: the child fails every file write with ENOSPC (a seccomp
// filter), so this holds for the superuser and in any container.
TEST(Save, FullDiskKeepsTheOldFileAndSaysTheDiskIsFull) {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("disk"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString newer = dir.filePath(QStringLiteral("newer.pptx"));
    withSlides(1).save(folder + QStringLiteral("/deck.pptx"));
    withSlides(40).save(newer);
    const QByteArray old = readAll(folder + QStringLiteral("/deck.pptx"));

    const RefusedSave noSpace = runSaveChild({QStringLiteral("--no-space"), newer, folder + QStringLiteral("/deck.pptx")});
    if (noSpace.exitCode == 77) GTEST_SKIP() << noSpace.message.toStdString();
    expectOldFileAloneAndNamed(noSpace, folder, old, QStringLiteral("there is not enough space on the disk"));

    // Room for part of the file: the write fails past the first few kilobytes.
    const RefusedSave partWay =
        runSaveChild({QStringLiteral("--size-limit"), QStringLiteral("6000"), newer, folder + QStringLiteral("/deck.pptx")});
    expectOldFileAloneAndNamed(partWay, folder, old, QStringLiteral("too large"));
}

// The same on a real file system that fills up: a small memory file system in a mount
// namespace of the child's own, where the machine allows one (as root with the right to mount,
// or through a user namespace); skipped elsewhere.
TEST(Save, FullFileSystemKeepsTheOldFileAndSaysTheDiskIsFull) {
    QTemporaryDir dir;
    const QString disk = dir.filePath(QStringLiteral("disk"));
    const QString out = dir.filePath(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(disk) && QDir().mkpath(out));
    const QString older = dir.filePath(QStringLiteral("older.pptx"));
    const QString newer = dir.filePath(QStringLiteral("newer.pptx"));
    withSlides(1).save(older);
    withSlides(40).save(newer);
    // Inside the namespace: the file system holds the old file and is filled to within 4 KB,
    // less than the new file needs; what the save leaves is copied out before the namespace ends.
    const QString script = QStringLiteral(R"(
        mount -t tmpfs -o size=256k,mode=0755 quillmere-full "$1" 2>/dev/null || exit 77
        cp "$2" "$1/deck.pptx" || exit 70
        dd if=/dev/zero of="$1/fill" bs=4k 2>/dev/null
        truncate -s -4K "$1/fill" || exit 70
        "$4" "$3" "$1/deck.pptx" 2>"$5/message"
        echo $? >"$5/status"
        rm "$1/fill"
        cp "$1/deck.pptx" "$5/deck.pptx"
        ls -A "$1" >"$5/listing")");
    QProcess child;
    child.start(QStringLiteral("unshare"),
                (geteuid() == 0 ? QStringList{} : QStringList{QStringLiteral("--map-root-user")}) +
                    QStringList{QStringLiteral("--mount"), QStringLiteral("sh"), QStringLiteral("-c"), script,
                            QStringLiteral("sh"), disk, older, newer, QStringLiteral(QUILLMERE_SAVE_CHILD), out});
    ASSERT_TRUE(child.waitForFinished(120000));
    if (child.error() == QProcess::FailedToStart || child.exitCode() == 77 ||
        (child.exitCode() != 0 && !QFile::exists(out + QStringLiteral("/status")))) {
        GTEST_SKIP() << "no private mount here: " << child.readAllStandardError().toStdString();
    }
    ASSERT_EQ(child.exitCode(), 0) << child.readAllStandardError().toStdString();
    EXPECT_EQ(readAll(out + QStringLiteral("/status")).trimmed(), "2");
    EXPECT_EQ(readAll(out + QStringLiteral("/message")).trimmed().toStdString(),
              "deck.pptx: cannot be written: there is not enough space on the disk");
    EXPECT_EQ(readAll(out + QStringLiteral("/deck.pptx")), readAll(older));
    EXPECT_EQ(readAll(out + QStringLiteral("/listing")).trimmed(), "deck.pptx");
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
    const QByteArray old = readAll(target);
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
