// Pointer feedback: the hand over push buttons, the arrow over the other handled controls,
// the hourglass never overwritten, no handler on Text3 and the progress bar, and the cursor
// the setting shows over the whole window.

#include "Fixture.h"
#include "app/CursorFile.h"

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

using apptest::Fixture;

namespace {

// A mouse move over the middle of widget, delivered as the window system would deliver it
// (an unhandled move travels on to the containers).
void moveOver(QWidget* widget, QPoint at = QPoint(-1, -1)) {
    if (at.x() < 0) at = widget->rect().center();
    QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(widget->mapToGlobal(at)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

QString sourceFile(const char* relative) {
    return qEnvironmentVariable("QUILLMERE_SOURCE_DIR") + QLatin1Char('/') +
           QLatin1String(relative);
}

}  // namespace

class PointerTest : public QObject {
    Q_OBJECT

private slots:
    void handOverEveryPushButtonArrowOverTheRest() {
        Fixture f;
        QVERIFY(f.form->Form_Load());
        // Shown, so that the list's inner parts have their real places.
        f.form->showCentered();
        QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
        for (int n : {1, 2, 3, 4, 5, 6, 7, 9}) {
            f.form->setMousePointer(0);
            moveOver(f.form->PushButton(n));
            QCOMPARE(f.form->MousePointer(), 99);
        }
        QList<QWidget*> arrows = {f.form->Frame1(),  f.form->Frame2(),  f.form->Frame3(),
                                  f.form->Option1(), f.form->Option2(), f.form->Text1(),
                                  f.form->Text2(),   f.form->ListView1()->viewport()};
        for (QWidget* widget : arrows) {
            f.form->setMousePointer(99);
            // Frames: a point on the frame itself, clear of the controls inside.
            const QPoint at = qobject_cast<QGroupBox*>(widget) ? QPoint(3, widget->height() - 3)
                                                                : widget->rect().center();
            moveOver(widget, at);
            QVERIFY2(f.form->MousePointer() == 0, qPrintable(widget->objectName()));
        }
        f.form->setMousePointer(99);
        moveOver(f.form.get(), QPoint(2, 2));  // the bare window
        QCOMPARE(f.form->MousePointer(), 0);
    }

    void hourglassIsNeverOverwritten() {
        Fixture f;
        f.form->setMousePointer(11);
        for (QWidget* widget : QList<QWidget*>{f.form->PushButton(2), f.form->Text1(),
                                               f.form->ListView1()->viewport(), f.form.get()}) {
            moveOver(widget, widget == f.form.get() ? QPoint(2, 2) : widget->rect().center());
            QCOMPARE(f.form->MousePointer(), 11);
        }
        QCOMPARE(f.form->PushButton(4)->cursor().shape(), Qt::WaitCursor);
        QCOMPARE(f.form->Text1()->cursor().shape(), Qt::WaitCursor);
    }

    void delayBoxAndProgressBarKeepTheHand() {
        // Their moves, left unhandled, reach the frame and the window, which must not answer.
        Fixture f;
        f.form->showCentered();
        QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
        moveOver(f.form->PushButton(2));
        QCOMPARE(f.form->MousePointer(), 99);
        moveOver(f.form->Text3());
        QCOMPARE(f.form->MousePointer(), 99);
        moveOver(f.form->ProgressBar1());
        QCOMPARE(f.form->MousePointer(), 99);
    }

    void handShowsTheCursorFileWithItsHotSpot() {
        Fixture f;
        f.files.setProgramFolder(sourceFile("assets"));
        f.files.addFile(sourceFile("assets/HAND-M.CUR"));
        QVERIFY(f.form->Form_Load());
        QVERIFY(f.dialogs.calls.isEmpty());
        QVERIFY(f.form->MouseIcon().has_value());
        QCOMPARE(f.form->MouseIcon()->hotSpot(), QPoint(7, 2));
        QCOMPARE(f.form->MouseIcon()->pixmap().size(), QSize(32, 32));
        f.form->setMousePointer(99);
        QCOMPARE(f.form->PushButton(1)->cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(f.form->ListView1()->cursor().shape(), Qt::BitmapCursor);
        f.form->setMousePointer(0);
        QCOMPARE(f.form->PushButton(1)->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(f.form->Text1()->cursor().shape(), Qt::IBeamCursor);  // its own again
    }

    void handWithoutCursorFileShowsTheDefaultPointer() {
        Fixture f;
        QVERIFY(f.form->Form_Load());
        QVERIFY(!f.form->MouseIcon().has_value());
        moveOver(f.form->PushButton(5));
        QCOMPARE(f.form->MousePointer(), 99);
        QCOMPARE(f.form->PushButton(5)->cursor().shape(), Qt::ArrowCursor);
    }

    void cursorReaderRefusesWhatIsNoCursor_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("fault");
        QTest::newRow("empty") << QByteArray() << "too short";
        QByteArray icon(22, '\0');
        icon[2] = 1;  // an icon, not a cursor
        icon[4] = 1;
        QTest::newRow("icon") << icon << "not a cursor";
        QByteArray outside(22, '\0');
        outside[2] = 2;
        outside[4] = 1;
        outside[14] = 100;  // 100 bytes of image at offset 0x7f000000
        outside[21] = 0x7f;
        QTest::newRow("outside") << outside << "outside the file";
    }
    void cursorReaderRefusesWhatIsNoCursor() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, fault);
        QTemporaryDir dir;
        const QString path = dir.filePath("HAND-M.CUR");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        try {
            app::readCursorFile(path);
            QFAIL("read");
        } catch (const platform::Failure& failure) {
            QVERIFY2(failure.description().startsWith(QStringLiteral("Invalid picture")),
                     qPrintable(failure.description()));
            QVERIFY2(failure.description().contains(path), qPrintable(failure.description()));
            QVERIFY2(failure.description().contains(fault), qPrintable(failure.description()));
        }
    }
};

QTEST_MAIN(PointerTest)
#include "tst_pointer.moc"
