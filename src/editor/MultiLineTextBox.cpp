#include "editor/MultiLineTextBox.h"

#include <QTextCursor>
#include <QTextDocument>

namespace qs {

MultiLineTextBox::MultiLineTextBox(QWidget* parent) : QPlainTextEdit(parent) {
    setTabChangesFocus(true);
}

namespace {

// The document's text as typed or pasted. toPlainText() would turn no-break
// spaces (common in text copied from web pages) into plain ones, and the
// stored question would then differ from the pasted one.
QString typedText(const QTextDocument* document) {
    QString t = document->toRawText();
    t.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    t.replace(QChar::LineSeparator, QStringLiteral("\r\n"));
    return t;
}

}  // namespace

QString MultiLineTextBox::text() const {
    return typedText(document());
}

void MultiLineTextBox::setText(const QString& text) {
    if (text == this->text()) return;
    setPlainText(text);
    moveCursor(QTextCursor::Start);
}

QString MultiLineTextBox::selectedText() const {
    // Cut from the same text that text() reads, so a selection always matches it.
    const QTextCursor c = textCursor();
    QString t =
        document()->toRawText().mid(c.selectionStart(), c.selectionEnd() - c.selectionStart());
    t.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    t.replace(QChar::LineSeparator, QStringLiteral("\r\n"));
    return t;
}

}  // namespace qs
