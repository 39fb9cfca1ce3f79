// SPDX-License-Identifier: MIT
#pragma once

// An edit box that reports a double-click and the focus arriving as signals of its own, so that
// handlers bound to those events run for the user and for anything that drives the window's
// controls through their signals. UI thread only.

#include <QLineEdit>

namespace app {

class DoubleClickEdit : public QLineEdit {
    Q_OBJECT

public:
    using QLineEdit::QLineEdit;

signals:
    void doubleClicked();
    void entered();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
};

} // namespace app
