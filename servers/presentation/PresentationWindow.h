#pragma once

#include <QMainWindow>
#include <memory>

namespace platform {
class Dialogs;
}

class QAction;
class QListWidget;

namespace servers {

class PresentationApplication;
class PresentationDocument;

// The window of one open presentation: a strip of slide thumbnails on the left, the selected
// slide large on the right, and File > Save (Ctrl+S), Save As (Ctrl+Shift+S), Close (Ctrl+W).
// Titled with the presentation's name ("Presentation1" or the file name).
//
// Top-level and owned by no other window: it deletes itself when closed, and holds the
// application while it is open. Closing with unsaved changes asks Save / Don't Save / Cancel
// through the application's dialogs; a cancelled or failed save keeps the window open.
class PresentationWindow : public QMainWindow {
    Q_OBJECT
public:
    PresentationWindow(std::shared_ptr<PresentationApplication> application,
                       std::shared_ptr<PresentationDocument> document);
    ~PresentationWindow() override;

    PresentationDocument& document() const { return *m_document; }
    QListWidget* slideStrip() const { return m_strip; }
    QWidget* slideView() const { return m_view; }
    QAction* saveAction() const { return m_save; }
    QAction* saveAsAction() const { return m_saveAs; }
    QAction* closeAction() const { return m_close; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void save();
    void saveAs();
    // Runs one save with both save actions off, so that it cannot be started twice.
    void runSave(bool (PresentationDocument::*how)(platform::Dialogs&));
    void insertThumbnail(int index);
    void refreshThumbnail(int index);
    void showSelection(int index);
    QPixmap thumbnail(int index) const;

    std::shared_ptr<PresentationApplication> m_application;
    std::shared_ptr<PresentationDocument> m_document;
    QListWidget* m_strip = nullptr;
    QWidget* m_view = nullptr;
    QAction* m_save = nullptr;
    QAction* m_saveAs = nullptr;
    QAction* m_close = nullptr;
    bool m_closed = false;
    bool m_saving = false;  // a Save or Save As is under way; another waits for it to end
};

}  // namespace servers
