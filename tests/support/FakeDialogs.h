#pragma once

#include "platform/Dialogs.h"

#include <QList>
#include <QString>
#include <deque>
#include <functional>

namespace testsupport {

// A Dialogs that shows nothing: it records every box and dialog it is asked for, in order,
// and answers from scripts the test fills beforehand. When a script runs dry it gives the
// answer of a user who presses the default safe button: OK, No, Cancel (an empty file name).
// A hook may run when a box is "shown", standing in for what happens while it is up.
class FakeDialogs : public platform::Dialogs {
public:
    enum class Kind { MessageBox, OpenFile, SaveFile, SaveChanges };

    struct Call {
        Kind kind;
        QString text;      // message text; empty for the file dialogs
        int style = 0;     // message-box style; 0 for the others
        QString title;     // as passed by the caller (empty = application title)
        QString shownTitle;  // what a real box would show as its caption
        QString filter;    // file dialogs: the pipe-form filter
        QString fileName;  // file dialogs: the initial or proposed name
    };

    int messageBox(const QString& text, int style, const QString& title) override;
    QString openFileName(const QString& title, const QString& filter,
                         const QString& fileName) override;
    QString saveFileName(const QString& title, const QString& filter,
                         const QString& proposed) override;
    SaveChoice askSaveChanges(const QString& text, const QString& title) override;

    // Scripts, consumed front first.
    std::deque<int> messageAnswers;
    std::deque<QString> openAnswers;
    std::deque<QString> saveAnswers;
    std::deque<SaveChoice> saveChangesAnswers;

    // Runs inside every call, after it is recorded and before it answers.
    std::function<void(const Call&)> onShow;

    QList<Call> calls;

    // Only the message boxes, in order.
    QList<Call> messageBoxes() const;
    // Texts of the message boxes, in order.
    QStringList messageTexts() const;
    void clear() { calls.clear(); }

private:
    const Call& record(Call call);
};

}  // namespace testsupport
