#pragma once

#include <QStringList>

class QWidget;

namespace qs::test {

// The names of the shown labels, buttons and check boxes of `window` that
// have less room than their text needs, and of the boxes lower than a line.
QStringList ClippedTexts(const QWidget* window);

}  // namespace qs::test
