#include "widgets/MultiLineTextBox.h"

#include <QTextCursor>
#include <QTextDocument>

namespace qs {

MultiLineTextBox::MultiLineTextBox(QWidget* parent) : QPlainTextEdit(parent) {
    setTabChangesFocus(true);
}

namespace {

// Raw document text with its paragraph and line separators as CR LF. The raw
// text keeps what was typed or pasted: toPlainText() would turn no-break
// spaces (common in text copied from web pages) into plain ones, and the
// stored question would then differ from the pasted one.
QString withCrLf(QString t) {
    t.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    t.replace(QChar::LineSeparator, QStringLiteral("\r\n"));
    return t;
}

}  // namespace

QString MultiLineTextBox::text() const {
    return withCrLf(document()->toRawText());
}

void MultiLineTextBox::setText(const QString& text) {
    if (text == this->text()) return;
    setPlainText(text);
    moveCursor(QTextCursor::Start);
}

QString MultiLineTextBox::selectedText() const {
    // Cut from the same text that text() reads, so a selection always matches it.
    const QTextCursor c = textCursor();
    return withCrLf(
        document()->toRawText().mid(c.selectionStart(), c.selectionEnd() - c.selectionStart()));
}

}  // namespace qs
