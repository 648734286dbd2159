#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

namespace engine {

// Slide layouts (p:sldLayout) and the layout list of their master (p:sldLayoutIdLst).
//
// PowerPoint names layouts by number in its object model (PpSlideLayout: 1 title ... 12 blank
// ... 36 picture with caption); the file names them by type (ST_SlideLayoutType). The numbers
// follow the order of the type list, with 32 standing for "cust".

// The layout type of a PowerPoint layout number ("blank" for 12); "" when the number names none.
QString layoutTypeOfNumber(int layoutNumber);

// The type of a layout part: its type attribute, "cust" when absent (the format's default).
// Throws DocumentError naming file and part when the XML is malformed.
QString layoutTypeOf(const QByteArray& layoutXml, const QString& file, const QString& part);

// A blank layout of our own (type "blank", no placeholders), for presentations that lack one.
QByteArray blankLayoutXml();

// The placeholders a new slide on this layout starts with: every placeholder of the layout
// except date, footer and slide number, as empty shapes that inherit everything from it.
struct LayoutPlaceholder {
    QString type;  // "" for the default (body/object) placeholder
    QString idx;   // "" when absent
    QString name;
    bool hasText = true;
};
std::vector<LayoutPlaceholder> layoutPlaceholders(const QByteArray& layoutXml, const QString& file,
                                                  const QString& part);

// The master part with one more p:sldLayoutId (id, relId) at the end of its layout list, the
// list created in schema order when absent.
QByteArray masterWithLayout(const QByteArray& masterXml, quint32 layoutId, const QString& relId,
                            const QString& file, const QString& part);

// Every p:sldLayoutId/@id of a master part.
std::vector<quint32> layoutIdsOfMaster(const QByteArray& masterXml, const QString& file,
                                       const QString& part);
// The r:ids of the layouts a master lists, in list order.
std::vector<QString> layoutRelIdsOfMaster(const QByteArray& masterXml, const QString& file,
                                          const QString& part);

}  // namespace engine
