#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QSet>
#include <QSizeF>
#include <QString>

namespace engine {

// Which installed face draws text that a document asks to show in an office font, and how big
// that text is.
//
// Office documents name faces that Linux does not ship. Each of the common ones has a metric
// twin, a free face with the same advance widths, so text wraps and fits as it did where the
// document was made: Calibri -> Carlito, Cambria -> Caladea, Arial -> Liberation Sans, Times
// New Roman -> Liberation Serif, Courier New -> Liberation Mono (packages
// fonts-crosextra-carlito, fonts-crosextra-caladea, fonts-liberation2). A face that is
// installed itself is used as it is. Faces with no twin (Aptos, Segoe UI) and unknown ones fall
// back to Carlito, the nearest in role to the default office fonts; their widths will differ.
// Theme references (+mn-lt, +mj-lt) must be resolved to a family name before asking.
//
// The fonts it returns turn hinting off, so widths scale linearly with the size as the office
// applications lay text out; measure with the QFont returned, which is the one that draws.
// A FontResolver reads the installed families once when made; it is immutable afterwards and
// may be shared between threads. It needs a QGuiApplication (any platform, offscreen too).
class FontResolver {
  public:
    FontResolver();

    // The family that draws `officeFamily`.
    QString family(const QString& officeFamily) const;
    // True when `family(officeFamily)` has the same widths as the face asked for (the face
    // itself, or its twin).
    bool isMetricCompatible(const QString& officeFamily) const;

    QFont font(const QString& officeFamily, double pointSize, bool bold = false,
               bool italic = false) const;

    // The advance width and line height of text in font, in pixels of `device` (an image, a
    // PDF or SVG writer), or of the screen when none is given. Widths are proportional to the
    // size, as in the office applications' layout, also where Qt would round the size to whole
    // pixels for drawing.
    static QSizeF measure(const QString& text, const QFont& font,
                          const QPaintDevice* device = nullptr);

    // The metric twin of an office face, "" when it has none.
    static QString metricTwin(const QString& officeFamily);
    // What faces without a twin fall back to.
    static QString fallbackFamily();

    bool isInstalled(const QString& family) const;

  private:
    QSet<QString> m_installed;  // lower-case family names
};

}  // namespace engine
