// SPDX-License-Identifier: MIT
#include "app/widgets/DoubleClickEdit.h"

namespace app {

void DoubleClickEdit::mouseDoubleClickEvent(QMouseEvent* event) {
    QLineEdit::mouseDoubleClickEvent(event); // selects the word under the pointer, as usual
    emit doubleClicked();
}

void DoubleClickEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    emit entered();
}

} // namespace app
