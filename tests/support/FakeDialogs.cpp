#include "FakeDialogs.h"

#include "platform/ApplicationTitle.h"

#include <QStringList>

namespace testsupport {

namespace {
template <typename T>
bool takeFront(std::deque<T>& script, T* answer) {
    if (script.empty()) return false;
    *answer = script.front();
    script.pop_front();
    return true;
}
}  // namespace

const FakeDialogs::Call& FakeDialogs::record(Call call) {
    call.shownTitle = call.title.isEmpty() ? platform::applicationTitle() : call.title;
    calls.append(std::move(call));
    if (onShow) onShow(calls.last());
    return calls.last();
}

int FakeDialogs::messageBox(const QString& text, int style, const QString& title) {
    record({Kind::MessageBox, text, style, title, {}, {}, {}});
    int answer = 0;
    if (takeFront(messageAnswers, &answer)) return answer;
    return (style & 0x7) == platform::box::kYesNo ? platform::box::kResultNo
                                                  : platform::box::kResultOk;
}

QString FakeDialogs::openFileName(const QString& title, const QString& filter,
                                  const QString& fileName) {
    record({Kind::OpenFile, {}, 0, title, {}, filter, fileName});
    QString answer;
    takeFront(openAnswers, &answer);
    return answer;
}

QString FakeDialogs::saveFileName(const QString& title, const QString& filter,
                                  const QString& proposed) {
    record({Kind::SaveFile, {}, 0, title, {}, filter, proposed});
    QString answer;
    takeFront(saveAnswers, &answer);
    return answer;
}

platform::Dialogs::SaveChoice FakeDialogs::askSaveChanges(const QString& text,
                                                         const QString& title) {
    record({Kind::SaveChanges, text, 0, title, {}, {}, {}});
    SaveChoice answer = SaveChoice::Cancel;
    takeFront(saveChangesAnswers, &answer);
    return answer;
}

QList<FakeDialogs::Call> FakeDialogs::messageBoxes() const {
    QList<Call> boxes;
    for (const Call& call : calls) {
        if (call.kind == Kind::MessageBox) boxes.append(call);
    }
    return boxes;
}

QStringList FakeDialogs::messageTexts() const {
    QStringList texts;
    for (const Call& call : calls) {
        if (call.kind == Kind::MessageBox) texts.append(call.text);
    }
    return texts;
}

}  // namespace testsupport
