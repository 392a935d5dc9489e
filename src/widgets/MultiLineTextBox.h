#pragma once

#include <QPlainTextEdit>

namespace qs {

// A multi-line text box whose text reads with "\r\n" line breaks, as the
// window's texts are defined; a lone "\r" or "\n" given to setText() also
// becomes a line break.
class MultiLineTextBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit MultiLineTextBox(QWidget* parent = nullptr);

    QString text() const;
    // Replaces the whole text; the caret goes to the start.
    void setText(const QString& text);
    // The selected text, line breaks as "\r\n".
    QString selectedText() const;
};

}  // namespace qs
