// The real file queries and the conversion of the dialogs' pipe filters to Qt's form.

#include "platform/Dialogs.h"
#include "platform/Services.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
void touch(const QString& path) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x");
}
}  // namespace

class ServicesTest : public QObject {
    Q_OBJECT

private slots:
    void pipeFilterBecomesQtFilter_data() {
        QTest::addColumn<QString>("pipe");
        QTest::addColumn<QString>("qt");
        QTest::newRow("excel") << "Excel Files (*.xl*)|*.xl*|" << "Excel Files (*.xl*)";
        QTest::newRow("powerpoint") << "PowerPoint Files (*.ppt)|*.ppt|"
                                    << "PowerPoint Files (*.ppt)";
        QTest::newRow("two entries") << "Desc (*.x)|*.x|Other|*.y|" << "Desc (*.x);;Other (*.y)";
        QTest::newRow("several patterns") << "Books|*.xls;*.xlsx|" << "Books (*.xls *.xlsx)";
        QTest::newRow("description names other patterns") << "Shown (*.a)|*.b|"
                                                           << "Shown (*.a) (*.b)";
        QTest::newRow("no trailing bar") << "All|*.*" << "All (*.*)";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("entry without patterns") << "Lonely|" << "";
    }
    void pipeFilterBecomesQtFilter() {
        QFETCH(QString, pipe);
        QFETCH(QString, qt);
        QCOMPARE(platform::qtFilterFromPipeFilter(pipe), qt);
    }

    void lastModifiedAnswersForFilesAndFoldersOnly() {
        QTemporaryDir dir;
        touch(dir.filePath("a.xlsx"));
        QDateTime when;
        auto& files = platform::systemFiles();
        QVERIFY(files.lastModified(dir.filePath("a.xlsx"), &when));
        QVERIFY(when.isValid());
        QVERIFY(files.lastModified(dir.path(), &when));
        QVERIFY(!files.lastModified(dir.filePath("b.xlsx"), &when));
        QVERIFY(!files.lastModified(QString(), &when));
    }

    void patternSearchCountsPlainVisibleFiles() {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("x"));
        touch(dir.filePath("x/o.cjs"));
        touch(dir.filePath("x/.hidden.cjs"));
        touch(dir.filePath("x/p.cjs"));
        touch(dir.filePath("x/[a].cjs"));
        QVERIFY(QDir(dir.path()).mkpath("x/folder.cjs"));
        auto& files = platform::systemFiles();
        QCOMPARE(files.countMatchingFiles(dir.filePath("x/o.cjs")), 1);
        QCOMPARE(files.countMatchingFiles(dir.filePath("x/*.cjs")), 3);  // no folder, no hidden
        QCOMPARE(files.countMatchingFiles(dir.filePath("x/?.cjs")), 2);
        QCOMPARE(files.countMatchingFiles(dir.filePath("x/[a].cjs")), 1);  // brackets are literal
        QCOMPARE(files.countMatchingFiles(dir.filePath("x/.hidden.cjs")), 0);
        QCOMPARE(files.countMatchingFiles(dir.filePath("x/folder.cjs")), 0);
        QCOMPARE(files.countMatchingFiles(dir.filePath("x/O.CJS")), 0);
        QCOMPARE(files.countMatchingFiles(dir.filePath("missing/o.cjs")), 0);
    }

    void clockReadsSecondsSinceMidnight() {
        const float now = platform::systemClock().secondsSinceMidnight();
        QVERIFY(now >= 0.0f && now < 86400.0f);
    }
};

QTEST_GUILESS_MAIN(ServicesTest)
#include "tst_services.moc"
