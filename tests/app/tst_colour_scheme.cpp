// The main window under the desktop's colour schemes: white as designed with light, legible
// controls under a dark scheme, the system's own palette under a light one; the chart preview
// following the scheme; About Quillmere on F1.

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QtTest>

#include "Fixture.h"
#include "app/ChartPreview.h"
#include "platform/About.h"
#include "platform/ColourScheme.h"

namespace {

QPalette darkScheme() {
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x2a, 0x2e, 0x32));
    dark.setColor(QPalette::WindowText, QColor(0xfc, 0xfc, 0xfc));
    dark.setColor(QPalette::Base, QColor(0x1b, 0x1e, 0x20));
    dark.setColor(QPalette::AlternateBase, QColor(0x23, 0x26, 0x29));
    dark.setColor(QPalette::Text, QColor(0xfc, 0xfc, 0xfc));
    dark.setColor(QPalette::Button, QColor(0x31, 0x36, 0x3b));
    dark.setColor(QPalette::ButtonText, QColor(0xfc, 0xfc, 0xfc));
    return dark;
}

// Light ground, dark text: what legible controls on the white form need.
void verifyLight(QWidget* widget, QPalette::ColorRole ground, QPalette::ColorRole text) {
    const QPalette p = widget->palette();
    QVERIFY2(p.color(ground).lightness() > 180 && p.color(text).lightness() < 90,
             qPrintable(widget->objectName() + QStringLiteral(": ") + p.color(ground).name() +
                        QStringLiteral(" under ") + p.color(text).name()));
}

}  // namespace

class ColourSchemeTest : public QObject {
    Q_OBJECT
    QPalette m_system;

  private slots:
    void initTestCase() { m_system = QApplication::palette(); }
    void cleanup() { QApplication::setPalette(m_system); }

    void mainWindowKeepsWhiteAndLightControlsUnderADarkScheme() {
        QApplication::setPalette(darkScheme());
        apptest::Fixture f;
        QVERIFY(f.form->Form_Load());
        QCOMPARE(f.form->palette().color(QPalette::Window), QColor(Qt::white));
        for (QGroupBox* frame : f.form->findChildren<QGroupBox*>()) {
            QCOMPARE(frame->palette().color(QPalette::Window), QColor(Qt::white));
            verifyLight(frame, QPalette::Window, QPalette::WindowText);
        }
        for (QLineEdit* box : f.form->findChildren<QLineEdit*>())
            verifyLight(box, QPalette::Base, QPalette::Text);
        verifyLight(f.form->ListView1(), QPalette::Base, QPalette::Text);
        verifyLight(f.form->ProgressBar1(), QPalette::Base, QPalette::Text);
        for (QPushButton* button : f.form->findChildren<QPushButton*>())
            verifyLight(button, QPalette::Button, QPalette::ButtonText);
        for (QRadioButton* option : f.form->findChildren<QRadioButton*>())
            verifyLight(option, QPalette::Window, QPalette::WindowText);

        // A later change of scheme leaves the window as it is.
        QApplication::setPalette(m_system);
        QApplication::setPalette(darkScheme());
        verifyLight(f.form->Text1(), QPalette::Base, QPalette::Text);
    }

    void mainWindowTakesTheSystemPaletteUnderALightScheme() {
        QPalette light = m_system;
        light.setColor(QPalette::Base, QColor(0xfe, 0xfd, 0xf0));
        light.setColor(QPalette::Button, QColor(0xe0, 0xe4, 0xe8));
        QApplication::setPalette(light);
        apptest::Fixture f;
        QCOMPARE(f.form->Text1()->palette().color(QPalette::Base), QColor(0xfe, 0xfd, 0xf0));
        QCOMPARE(f.form->PushButton(4)->palette().color(QPalette::Button),
                 QColor(0xe0, 0xe4, 0xe8));
    }

    void chartPreviewFollowsTheScheme() {
        for (const bool dark : {false, true}) {
            QApplication::setPalette(dark ? darkScheme() : m_system);
            testsupport::FakeDialogs dialogs;
            app::ChartPreview preview(dialogs);
            preview.resize(500, 400);
            preview.showNothing(QString());
            QWidget* canvas = preview.findChild<QWidget*>(QStringLiteral("previewCanvas"));
            QVERIFY(canvas);
            const QColor ground = canvas->grab().toImage().pixelColor(2, 2);
            if (dark) {
                QVERIFY2(ground.lightness() < 80, qPrintable(ground.name()));
            } else {
                QCOMPARE(ground, QColor(0xEE, 0xEF, 0xF2));
            }
        }
    }

    void f1ShowsAboutQuillmere() {
        apptest::Fixture f;
        QVERIFY(f.form->Form_Load());
        f.form->showCentered();
        QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
        f.dialogs.calls.clear();
        QTest::keyClick(f.form.get(), Qt::Key_F1);
        QCOMPARE(f.dialogs.calls.size(), 1);
        QCOMPARE(f.dialogs.calls[0].title, QStringLiteral("About Quillmere"));
        const QString text = f.dialogs.calls[0].text;
        QVERIFY(text.startsWith(QStringLiteral("Quillmere " QUILLMERE_TEST_VERSION)));
        QVERIFY(text.contains(QStringLiteral("GPL-3.0-or-later")));
        for (const QString& library :
             {QStringLiteral("Qt ") + QString::fromLatin1(qVersion()), QStringLiteral("libzip "),
              QStringLiteral("zlib "), QStringLiteral("pugixml "), QStringLiteral("libgsf ")})
            QVERIFY2(text.contains(library), qPrintable(library));
    }
};

QTEST_MAIN(ColourSchemeTest)
#include "tst_colour_scheme.moc"
