#include "editor/MultiLineTextBox.h"

#include <QTextCursor>

namespace qs {

MultiLineTextBox::MultiLineTextBox(QWidget* parent) : QPlainTextEdit(parent) {
    setTabChangesFocus(true);
}

QString MultiLineTextBox::text() const {
    QString t = toPlainText();
    t.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return t;
}

void MultiLineTextBox::setText(const QString& text) {
    if (text == this->text()) return;
    setPlainText(text);
    moveCursor(QTextCursor::Start);
}

QString MultiLineTextBox::selectedText() const {
    // Cut from the same plain text that text() reads, so a selection always matches it: the
    // cursor's own selected text keeps no-break spaces and line separators that text() does not.
    const QTextCursor c = textCursor();
    QString t = toPlainText().mid(c.selectionStart(), c.selectionEnd() - c.selectionStart());
    t.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return t;
}

}  // namespace qs
