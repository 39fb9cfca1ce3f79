// SPDX-License-Identifier: MIT
#pragma once

// The window's editable drop-down box. Its item index always names the item whose text stands
// in the edit field: typing a text that names an item selects that item, any other text leaves
// the box with item index -1. Only a choice from the list (or the arrow keys and the wheel,
// which step through the list) is a click, reported as `activated`; typing and Return never
// are, and typed text never becomes an item. The edit field shows the beginning of its text
// whenever the program selects an item. UI thread only.

#include <QComboBox>

namespace app {

class EditableComboBox : public QComboBox {
public:
    explicit EditableComboBox(QWidget* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FollowTypedText(const QString& text);
};

} // namespace app
