// The main window against its design table: kind, container, caption, geometry, fonts, focus
// order, stacking order and the window's own properties.

#include "Fixture.h"

#include <QFontInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

using apptest::Fixture;

namespace {
QString captionOf(QWidget* widget) {
    if (auto* box = qobject_cast<QGroupBox*>(widget)) return box->title();
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text();
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
    if (auto* bar = qobject_cast<QProgressBar*>(widget)) return bar->text();
    return QString();
}
}  // namespace

class LayoutTest : public QObject {
    Q_OBJECT

private slots:
    void controlMatchesTheDesign_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("container");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("twips");
        auto row = [](const char* name, const char* kind, const char* container,
                      const char* caption, int l, int t, int w, int h) {
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(kind)
                                << QString::fromLatin1(container) << QString::fromUtf8(caption)
                                << QRect(l, t, w, h);
        };
        row("Frame3", "QGroupBox", "Form1", "Delay For Each Chart To Prevent Error", 120, 6570, 7800, 795);
        row("Text3", "QLineEdit", "Frame3", "Text3", 240, 300, 7335, 345);
        row("Frame2", "QGroupBox", "Form1", "Copy Options", 120, 5055, 7800, 1455);
        row("Option1", "QRadioButton", "Frame2", "Paste selected charts into new PowerPoint file", 240, 300, 4320, 285);
        row("Text2", "QLineEdit", "Frame2", "", 480, 960, 6015, 345);
        row("Option2", "QRadioButton", "Frame2", "Paste selected charts into existing PowerPoint file", 240, 630, 5085, 285);
        row("PushButton3", "QPushButton", "Frame2", "...", 6600, 960, 765, 345);
        row("Frame1", "QGroupBox", "Form1", "Excel File", 120, 120, 7800, 825);
        row("Text1", "QLineEdit", "Frame1", "", 240, 300, 6525, 345);
        row("PushButton1", "QPushButton", "Frame1", "...", 6840, 300, 720, 345);
        row("PushButton4", "QPushButton", "Form1", "1. Find Charts In Excel File", 120, 1590, 7800, 405);
        row("PushButton2", "QPushButton", "Form1", "2. Start Copying", 120, 7500, 7800, 405);
        row("PushButton7", "QPushButton", "Form1", "Uncheck All", 4080, 4590, 3840, 405);
        row("PushButton9", "QPushButton", "Form1", "Check All", 120, 4590, 3840, 405);
        row("ListView1", "QTreeWidget", "Form1", "", 120, 2115, 7800, 2385);
        row("ProgressBar1", "QProgressBar", "Form1", "Progress Bar", 120, 8010, 7800, 405);
        row("PushButton5", "QPushButton", "Form1", "Load Sample/Example File", 120, 1065, 3840, 405);
        row("PushButton6", "QPushButton", "Form1", "Clear File", 4080, 1080, 3840, 405);
    }
    void controlMatchesTheDesign() {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        QFETCH(QString, container);
        QFETCH(QString, caption);
        QFETCH(QRect, twips);
        Fixture f;
        auto* widget = f.form->findChild<QWidget*>(name);
        QVERIFY(widget);
        QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), kind);
        QCOMPARE(widget->parentWidget()->objectName(), container);
        QCOMPARE(captionOf(widget), caption);
        QCOMPARE(widget->geometry(), QRect(twips.x() / 15, twips.y() / 15, twips.width() / 15,
                                           twips.height() / 15));
    }

    void windowIsFixedWhiteWithMinimiseAndClose() {
        Fixture f;
        QCOMPARE(f.form->size(), QSize(536, 570));
        QCOMPARE(f.form->minimumSize(), f.form->maximumSize());
        const Qt::WindowFlags flags = f.form->windowFlags();
        QVERIFY(flags & Qt::WindowMinimizeButtonHint);
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QCOMPARE(f.form->palette().color(QPalette::Window), QColor(255, 255, 255));
        QCOMPARE(f.form->windowTitle(), QStringLiteral("Form1"));
        for (const char* name : {"Frame1", "Frame2", "Frame3", "Option1", "Option2"}) {
            QWidget* widget = f.control<QWidget>(name);
            QCOMPARE(widget->palette().color(QPalette::Window), QColor(255, 255, 255));
            QCOMPARE(widget->palette().color(QPalette::WindowText), QColor(0, 0, 0));
        }
        QCOMPARE(f.form->MousePointer(), 0);
    }

    void fontsAreArialBold() {
        Fixture f;
        QCOMPARE(f.form->font().family(), QStringLiteral("Arial"));
        QCOMPARE(f.form->font().pointSizeF(), 9.0);
        QCOMPARE(f.form->font().weight(), QFont::Bold);
        for (int n : {1, 2, 3, 4, 5, 6, 7, 9}) {
            const QFont font = f.form->PushButton(n)->font();
            QCOMPARE(font.family(), QStringLiteral("Arial"));
            QCOMPARE(font.pointSizeF(), 11.25);
            QCOMPARE(font.weight(), QFont::Bold);
        }
        QCOMPARE(f.form->ListView1()->font().pointSizeF(), 9.0);
        QCOMPARE(f.form->Text3()->font().pointSizeF(), 9.0);
        // Arial is served by a metric twin where it is not installed.
        const QString served = QFontInfo(f.form->font()).family();
        QVERIFY2(served == QStringLiteral("Arial") || served == QStringLiteral("Liberation Sans"),
                 qPrintable(served));
    }

    void tabFollowsTheFocusOrder() {
        Fixture f;
        QStringList order;
        QWidget* widget = f.form->ListView1();
        do {
            if (widget->focusPolicy() & Qt::TabFocus) order << widget->objectName();
            widget = widget->nextInFocusChain();
        } while (widget != f.form->ListView1() && order.size() < 40);
        order.removeAll(QString());  // the list's own inner parts and the window
        const QStringList expected = {"ListView1",   "PushButton9", "PushButton7", "PushButton2",
                                      "PushButton4", "Text1",       "PushButton1", "Option2",
                                      "Text2",       "PushButton3", "Option1",     "Text3",
                                      "PushButton5", "PushButton6"};
        QCOMPARE(order.mid(0, expected.size()), expected);
    }

    void framesAndProgressBarTakeNoFocus() {
        Fixture f;
        for (const char* name : {"Frame1", "Frame2", "Frame3", "ProgressBar1"}) {
            QCOMPARE(f.control<QWidget>(name)->focusPolicy(), Qt::NoFocus);
        }
    }

    void stackingFollowsTheOrderOfTheDesign() {
        Fixture f;
        QStringList stack;
        for (QObject* child : f.form->children()) {
            if (auto* widget = qobject_cast<QWidget*>(child)) stack << widget->objectName();
        }
        QCOMPARE(stack, QStringList({"Frame3", "Frame2", "Frame1", "PushButton4", "PushButton2",
                                     "PushButton7", "PushButton9", "ListView1", "ProgressBar1",
                                     "PushButton5", "PushButton6"}));
    }

    void listHasHintAndChecksButNoColumnsBeforeStartUp() {
        Fixture f;
        QCOMPARE(f.form->ListView1()->toolTip(),
                 QStringLiteral("Double-click item to remove it. Move | line to right and out of "
                                "window to reveal full names."));
        QCOMPARE(f.form->ListView1()->columnCount(), 0);
        QCOMPARE(f.form->ProgressBar1()->minimum(), 0);
        QCOMPARE(f.form->ProgressBar1()->maximum(), 100);
        QVERIFY(f.form->ProgressBar1()->isTextVisible());
        QVERIFY(f.form->Option1()->isChecked());
        QVERIFY(!f.form->Option2()->isChecked());
    }

    void showCenteredPutsTheWindowInTheMiddle() {
        Fixture f;
        f.form->showCentered();
        QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
        const QRect screen = f.form->screen()->availableGeometry();
        const QPoint offset = f.form->frameGeometry().center() - screen.center();
        QVERIFY2(qAbs(offset.x()) <= 2 && qAbs(offset.y()) <= 2,
                 qPrintable(QStringLiteral("%1,%2").arg(offset.x()).arg(offset.y())));
        QCOMPARE(QApplication::focusWidget(), f.form->ListView1());
    }
};

QTEST_MAIN(LayoutTest)
#include "tst_layout.moc"
