#pragma once

#include "platform/FormControls.h"

#include <QLineEdit>
#include <QList>
#include <QProgressBar>
#include <QRadioButton>
#include <QTreeWidget>
#include <QWidget>

namespace testsupport {

// The main window's controls that the chart and transfer procedures use, as real widgets on a plain,
// never-shown window, with the pointer setting recorded: enough to run the procedures
// without the whole main window.
class TestForm : public platform::FormControls {
public:
    TestForm()
        : m_text1(&m_window), m_text2(&m_window), m_text3(&m_window), m_option1(&m_window),
          m_option2(&m_window), m_list(&m_window), m_bar(&m_window) {
        m_option1.setChecked(true);
        m_list.setColumnCount(3);
        m_list.setHeaderLabels({QStringLiteral("Sheet Name"), QStringLiteral("Chart Name"),
                                QStringLiteral("Chart Index")});
        m_bar.setRange(0, 100);
        m_bar.setValue(0);
        m_bar.setFormat(QStringLiteral("Progress Bar"));
        m_bar.setTextVisible(true);
        m_text3.setText(QStringLiteral("1"));
    }

    QWidget* window() override { return &m_window; }
    QLineEdit* Text1() override { return &m_text1; }
    QLineEdit* Text2() override { return &m_text2; }
    QLineEdit* Text3() override { return &m_text3; }
    QRadioButton* Option1() override { return &m_option1; }
    QRadioButton* Option2() override { return &m_option2; }
    QTreeWidget* ListView1() override { return &m_list; }
    QProgressBar* ProgressBar1() override { return &m_bar; }
    int MousePointer() const override { return m_pointer; }
    void setMousePointer(int value) override {
        m_pointer = value;
        pointerHistory << value;
    }

    // Every value the pointer was set to, in order.
    QList<int> pointerHistory;

private:
    QWidget m_window;
    QLineEdit m_text1, m_text2, m_text3;
    QRadioButton m_option1, m_option2;
    QTreeWidget m_list;
    QProgressBar m_bar;
    int m_pointer = 0;
};

}  // namespace testsupport
