#pragma once

#include "platform/FormControls.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTreeWidget>
#include <QWidget>
#include <functional>

namespace chartstest {

// The controls the chart commands use, on a window that is never shown, with a pointer setting
// that records every value written to it.
class FakeForm : public platform::FormControls {
public:
    FakeForm() {
        m_list.setColumnCount(3);
        m_list.setHeaderLabels({QStringLiteral("Sheet Name"), QStringLiteral("Chart Name"),
                                QStringLiteral("Chart Index")});
    }

    QWidget* window() override { return &m_window; }
    QLineEdit* Text1() override { return &m_text1; }
    QLineEdit* Text2() override { return &m_text2; }
    QLineEdit* Text3() override { return &m_text3; }
    QRadioButton* Option1() override { return &m_option1; }
    QRadioButton* Option2() override { return &m_option2; }
    QTreeWidget* ListView1() override { return &m_list; }
    QProgressBar* ProgressBar1() override { return &m_progress; }

    int MousePointer() const override { return m_pointer; }
    void setMousePointer(int value) override {
        m_pointer = value;
        pointerHistory.append(value);
    }

    QList<int> pointerHistory;

private:
    QWidget m_window;
    QLineEdit m_text1{&m_window};
    QLineEdit m_text2{&m_window};
    QLineEdit m_text3{&m_window};
    QRadioButton m_option1{&m_window};
    QRadioButton m_option2{&m_window};
    QTreeWidget m_list{&m_window};
    QProgressBar m_progress{&m_window};
    int m_pointer = platform::pointer::kDefault;
};

}  // namespace chartstest
