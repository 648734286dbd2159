#pragma once

#include "platform/Dialogs.h"

#include <QPointer>

class QWidget;

namespace platform {

// The real dialogs: QMessageBox for the message boxes and the save question, QFileDialog for
// the Open and Save dialogs. Boxes are modal to the parent window when one is set (the main
// window, once it exists), else application-modal. The parent is watched, not owned: when it
// goes away the boxes simply have no parent.
class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr);

    void setParentWindow(QWidget* parent);

    int messageBox(const QString& text, int style, const QString& title) override;
    QString openFileName(const QString& title, const QString& filter,
                         const QString& fileName) override;
    QString saveFileName(const QString& title, const QString& filter,
                         const QString& proposed) override;
    SaveChoice askSaveChanges(const QString& text, const QString& title) override;

private:
    QPointer<QWidget> m_parent;
};

}  // namespace platform
