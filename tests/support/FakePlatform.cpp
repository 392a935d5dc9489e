#include "support/FakePlatform.h"

namespace qs::test {

Answer FakePlatform::message(QWidget*, const QString& text, const QString& caption, Buttons buttons,
                             Answer preferred) {
    Box b{text, caption.isEmpty() ? kAppTitle : caption, buttons, preferred};
    boxes << b;
    if (onMessage) onMessage(b);
    if (buttons == Buttons::Ok) return Answer::Ok;
    if (script.isEmpty()) {
        ++unscripted;
        return Answer::No;
    }
    return script.dequeue();
}

QStringList FakePlatform::texts() const {
    QStringList out;
    for (const Box& b : boxes) out << b.text;
    return out;
}

void FakePlatform::clear() {
    boxes.clear();
    script.clear();
    unscripted = 0;
    beeps = 0;
    quits = 0;
    urls.clear();
    programs.clear();
}

}  // namespace qs::test
