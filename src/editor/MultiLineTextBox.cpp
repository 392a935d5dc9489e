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
    QString t = textCursor().selectedText();
    t.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    return t;
}

}  // namespace qs
