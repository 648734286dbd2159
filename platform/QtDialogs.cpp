#include "QtDialogs.h"

#include "ApplicationTitle.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QWidget>

namespace platform {

namespace {

QString titleOrApplicationTitle(const QString& title) {
    return title.isEmpty() ? applicationTitle() : title;
}

}  // namespace

QtDialogs::QtDialogs(QWidget* parent) : m_parent(parent) {}

void QtDialogs::setParentWindow(QWidget* parent) { m_parent = parent; }

int QtDialogs::messageBox(const QString& text, int style, const QString& title) {
    // The low three bits choose the buttons, the next group the icon, as in the standard box.
    const int buttons = style & 0x7;
    const int icon = style & 0x70;

    QMessageBox box(m_parent.data());
    box.setWindowTitle(titleOrApplicationTitle(title));
    // The texts carry CR LF and bare CR line breaks; the box breaks lines at LF only.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    box.setText(shown);
    box.setTextFormat(Qt::PlainText);
    switch (icon) {
        case 16: box.setIcon(QMessageBox::Critical); break;
        case 32: box.setIcon(QMessageBox::Question); break;
        case box::kExclamation: box.setIcon(QMessageBox::Warning); break;
        case 64: box.setIcon(QMessageBox::Information); break;
        default: box.setIcon(QMessageBox::NoIcon); break;
    }
    if (buttons == box::kYesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    const int answer = box.exec();
    if (buttons == box::kYesNo) {
        return answer == QMessageBox::Yes ? box::kResultYes : box::kResultNo;
    }
    return box::kResultOk;
}

QString QtDialogs::openFileName(const QString& title, const QString& filter,
                                const QString& fileName) {
    // Matched as the Windows dialog matches (case, short-name extensions); the details hidden
    // so that each entry shows as its description.
    return QFileDialog::getOpenFileName(m_parent.data(), titleOrApplicationTitle(title),
                                        fileName, qtDialogFilterFromPipeFilter(filter), nullptr,
                                        QFileDialog::HideNameFilterDetails);
}

QString QtDialogs::saveFileName(const QString& title, const QString& filter,
                                const QString& proposed) {
    return QFileDialog::getSaveFileName(m_parent.data(), titleOrApplicationTitle(title),
                                        proposed, qtFilterFromPipeFilter(filter));
}

Dialogs::SaveChoice QtDialogs::askSaveChanges(const QString& text, const QString& title) {
    QMessageBox box(m_parent.data());
    box.setWindowTitle(titleOrApplicationTitle(title));
    box.setText(text);
    box.setIcon(QMessageBox::Warning);
    box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Save);
    switch (box.exec()) {
        case QMessageBox::Save: return SaveChoice::Save;
        case QMessageBox::Discard: return SaveChoice::Discard;
        default: return SaveChoice::Cancel;
    }
}

}  // namespace platform
