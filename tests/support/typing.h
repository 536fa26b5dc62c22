// Typing into a line edit as a person does, also on the offscreen platform where no window gets
// the real focus: focus arrives, the old text is selected and replaced by the keys; focus leaves.
#pragma once

#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QTest>

namespace pixtest {

inline void typeInto(QLineEdit* box, const QString& text) {
    QFocusEvent in(QEvent::FocusIn);
    QApplication::sendEvent(box, &in);
    box->selectAll();
    QTest::keyClicks(box, text);
}

inline void leave(QLineEdit* box) {
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(box, &out);
}

} // namespace pixtest
