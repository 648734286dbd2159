#pragma once

#include "office/Automation.h"

#include <QString>
#include <memory>

namespace office {

// The PowerPoint object model as the program uses it. Every call may throw AutomationError
// whose description says what was wrong ("Slides.Add: index 7 is out of bounds (1 to 4)").

inline constexpr int ppLayoutBlank = 12;

class PptSlide {
public:
    virtual ~PptSlide() = default;
    // Makes this slide the selected slide of its presentation's window, and that window the
    // application's active window.
    virtual void Select() = 0;
    virtual int SlideIndex() = 0;
};

class PptSlides {
public:
    virtual ~PptSlides() = default;
    virtual int Count() = 0;
    // Inserts a slide at index (1 to Count()+1) with the layout given by its PowerPoint number
    // (ppLayoutBlank = 12 is the layout of type "blank").
    virtual std::shared_ptr<PptSlide> Add(int index, int layout) = 0;
    virtual std::shared_ptr<PptSlide> Item(int index) = 0;
};

class PptPresentation {
public:
    virtual ~PptPresentation() = default;
    virtual QString Name() = 0;      // file name, or "Presentation1" for a new one
    virtual QString FullName() = 0;  // full path, or the name when never saved
    virtual std::shared_ptr<PptSlides> Slides() = 0;
    // Saves the presentation to fileName, which it then names (PowerPoint's SaveAs with the
    // default format): atomically, so that a failed save leaves whatever was at fileName as it
    // was. The extension must suit the presentation (.pptx, or .pptm when it holds macros).
    // A server that cannot save refuses with kNotSupported (the default).
    virtual void SaveAs(const QString& fileName);
};

class PptPresentations {
public:
    virtual ~PptPresentations() = default;
    virtual int Count() = 0;
    // Opens fileName; readOnly, untitled and withWindow are tri-state values (msoTrue/msoFalse).
    // The opened presentation becomes the active one.
    virtual std::shared_ptr<PptPresentation> Open(const QString& fileName, int readOnly,
                                                  int untitled, int withWindow) = 0;
    // A new presentation from the built-in template; it becomes the active one.
    virtual std::shared_ptr<PptPresentation> Add(int withWindow) = 0;
};

class PptView {
public:
    virtual ~PptView() = default;
    // Pastes the clipboard onto the window's selected slide: a chart package becomes a native
    // chart, a picture a picture, text a text box. Anything else fails with
    // "Clipboard is empty or contains data which may not be pasted here.".
    virtual void Paste() = 0;
    // The same with the formatting of a pasted chart chosen whatever the application's setting
    // says: in the deck's theme, or keeping the look it had in its workbook (the application's
    // "Use Destination Theme" and "Keep Source Formatting" paste commands).
    virtual void PasteDestinationTheme() = 0;
    virtual void PasteSourceFormatting() = 0;
};

class PptDocumentWindow {
public:
    virtual ~PptDocumentWindow() = default;
    virtual std::shared_ptr<PptView> View() = 0;
    virtual std::shared_ptr<PptPresentation> Presentation() = 0;
};

class PptApplication : public AutomationObject {
public:
    virtual int Visible() = 0;  // msoTrue or msoFalse
    virtual void setVisible(int msoTriState) = 0;
    virtual std::shared_ptr<PptPresentations> Presentations() = 0;
    // Fail with a description when no presentation (window) is open.
    virtual std::shared_ptr<PptPresentation> ActivePresentation() = 0;
    virtual std::shared_ptr<PptDocumentWindow> ActiveWindow() = 0;
};

inline constexpr const char* kPowerPointProgId = "PowerPoint.Application";
inline constexpr const char* kPowerPointName = "Microsoft PowerPoint";

}  // namespace office
