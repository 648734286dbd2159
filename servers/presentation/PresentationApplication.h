#pragma once

#include "office/PowerPoint.h"
#include "servers/presentation/PresentationDocument.h"

#include <memory>
#include <vector>

namespace platform {
class Dialogs;
}

namespace servers {

// The presentation application object behind "PowerPoint.Application" (see
// PresentationServer.h for its lifetime). It owns the open presentations in the order they
// were opened and knows which window is active: the one last selected into, activated by
// the user, or opened.
class PresentationApplication : public office::PptApplication,
                                public std::enable_shared_from_this<PresentationApplication> {
public:
    explicit PresentationApplication(platform::Dialogs& dialogs);
    ~PresentationApplication() override;

    QString Name() override;
    int Visible() override;
    void setVisible(int msoTriState) override;
    std::shared_ptr<office::PptPresentations> Presentations() override;
    std::shared_ptr<office::PptPresentation> ActivePresentation() override;
    std::shared_ptr<office::PptDocumentWindow> ActiveWindow() override;

    // The object model's collection calls, on the application's own list.
    int presentationCount() const { return static_cast<int>(m_documents.size()); }
    std::shared_ptr<PresentationDocument> open(const QString& fileName, bool readOnly, bool untitled,
                                               bool withWindow);
    std::shared_ptr<PresentationDocument> add(bool withWindow);

    // Called by the windows: the user activated one; one closed for good.
    void windowActivated(PresentationDocument* document);
    void windowClosed(PresentationDocument* document);

    platform::Dialogs& dialogs() { return m_dialogs; }
    // Whether the application still runs (false once its last window has closed).
    bool isRunning() const { return m_running; }

private:
    void showWindowFor(const std::shared_ptr<PresentationDocument>& document);
    void stopRunning();

    platform::Dialogs& m_dialogs;
    bool m_visible = false;
    bool m_running = true;
    int m_untitledCount = 0;
    int m_windowCount = 0;
    std::vector<std::shared_ptr<PresentationDocument>> m_documents;
    std::weak_ptr<PresentationDocument> m_active;
};

}  // namespace servers
