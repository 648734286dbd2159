// quillmere-paste-charts WORKBOOK PRESENTATION
//
// Copies every chart object of every worksheet of WORKBOOK, in tab and drawing order, the way
// a copy run does (the spreadsheet application's ChartArea.Copy onto the clipboard, then the
// presentation's paste onto a new blank slide), and saves the new presentation to PRESENTATION.
// Prints on standard output, as JSON, which chart went to which slide and which charts failed:
//   {"workbook": ..., "presentation": ..., "charts": [{"sheet": ..., "name": ..., "index": n,
//    "slide": s or null, "error": "..." or null}]}
// A chart that cannot be copied or pasted is listed with its error and gets no slide; the run
// goes on (a paste that fails leaves an empty slide). Exit status: 0 when the presentation was saved (even with failed charts), 1 when the
// workbook cannot be opened or the presentation cannot be saved, 2 for wrong arguments.
#include "engine/package/Package.h"
#include "engine/presentation/Presentation.h"
#include "office/Excel.h"
#include "servers/spreadsheet/SpreadsheetServer.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMimeData>
#include <QTextStream>
#include <cstdio>
#include <exception>

namespace {

QString describe(const std::exception& e) { return QString::fromUtf8(e.what()); }

}  // namespace

int main(int argc, char** argv) {
    // Headless unless the caller chose a platform: the clipboard is all this needs.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream err(stderr);
    if (args.size() != 3) {
        err << "usage: quillmere-paste-charts WORKBOOK PRESENTATION\n";
        return 2;
    }
    const QString workbookPath = QFileInfo(args[1]).absoluteFilePath();
    const QString presentationPath = QFileInfo(args[2]).absoluteFilePath();

    QJsonArray charts;
    auto excel = servers::createSpreadsheetApplication();
    int status = 0;
    try {
        auto presentation = engine::Presentation::createNew();
        auto book = excel->Workbooks()->Open(workbookPath);
        auto sheets = book->Worksheets();
        for (int s = 1; s <= sheets->Count(); ++s) {
            auto sheet = sheets->Item(s);
            auto objects = sheet->ChartObjects();
            for (int c = 1; c <= objects->Count(); ++c) {
                QJsonObject entry{{"sheet", sheet->Name()}, {"index", c}, {"slide", QJsonValue()},
                                  {"error", QJsonValue()}};
                try {
                    auto object = objects->Item(c);
                    entry["name"] = object->Name();
                    QGuiApplication::clipboard()->clear();
                    object->Chart()->ChartArea()->Copy();
                    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
                    if (!data) throw std::runtime_error("the clipboard is empty after the copy");
                    const int slide = presentation.slideCount();
                    presentation.addSlide(slide, 12);  // blank
                    // A failed paste leaves its slide empty; the listing pairs charts with
                    // slides by number, so that costs nothing.
                    presentation.paste(slide, *data);
                    entry["slide"] = slide + 1;
                } catch (const std::exception& e) {
                    entry["error"] = describe(e);
                }
                charts.append(entry);
            }
        }
        presentation.save(presentationPath);
    } catch (const std::exception& e) {
        err << workbookPath << ": " << describe(e) << "\n";
        status = 1;
    }
    try {
        excel->Quit();
    } catch (const std::exception&) {
        // Already gone: nothing left to release.
    }
    const QJsonObject result{{"workbook", workbookPath},
                             {"presentation", status == 0 ? QJsonValue(presentationPath) : QJsonValue()},
                             {"charts", charts}};
    std::fputs(QJsonDocument(result).toJson(QJsonDocument::Indented).constData(), stdout);
    return status;
}
