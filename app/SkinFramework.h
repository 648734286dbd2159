#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>

namespace app {

// The skin component of the main window (SkinFramework1), driven only by dispatch number as
// start-up does. A skin is a Qt style sheet file.
//
//   method 2   LoadSkin(path, ini): reads the style sheet at path (UTF-8); the second argument
//              names a section of a multi-skin file and is unused: one file is one skin.
//   property 1 option flags, kept and read back as written. A style sheet always reaches the
//              window's controls, so no flag changes how a skin applies here.
//   property 5 Boolean: skinning enabled; while false, ApplyWindow changes nothing.
//   property 10 Boolean: repaint the window at once after applying.
//   method 3   ApplyWindow(handle): sets the loaded style sheet on the window whose native
//              handle, as a 32-bit integer, is given (the window and all its controls).
//
// Every refusal throws platform::Failure with a short description naming the file or the
// call: an unreadable skin file, an unknown dispatch number, a handle naming no window, an
// ApplyWindow before any skin was loaded. Nothing is changed by a refused call.
class SkinFramework {
public:
    QVariant invoke(int dispatchId, const QVariantList& arguments);
    QVariant property(int dispatchId) const;
    void setProperty(int dispatchId, const QVariant& value);

    // What the component holds, for the window and for tests.
    QString loadedStyleSheet() const { return m_styleSheet; }
    bool skinLoaded() const { return m_loaded; }

    // Dispatch numbers.
    static constexpr int kLoadSkin = 2;
    static constexpr int kOptions = 1;
    static constexpr int kEnabled = 5;
    static constexpr int kRepaint = 10;
    static constexpr int kApplyWindow = 3;

private:
    void loadSkin(const QString& path);
    void applyWindow(qint32 handle);

    QString m_styleSheet;
    bool m_loaded = false;
    int m_options = 0;
    bool m_enabled = false;
    bool m_repaint = false;
};

}  // namespace app
