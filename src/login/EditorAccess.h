#pragma once

#include <QString>

#include <functional>

namespace qs {

// What the login window may do with the editor window without depending on
// it: the editor implements this, the program's start-up wires the two.
class EditorAccess {
public:
    virtual ~EditorAccess() = default;
    // Inserts a bank name into the editor's bank combo Combo1 at `index`.
    virtual void insertBank(int index, const QString& name) = 0;
    // Sets the text of Combo1.
    virtual void setBankText(const QString& text) = 0;
    // Shows the editor modeless.
    virtual void showEditor() = 0;
};

// Creates (and so loads) the editor the first time the login touches it.
using EditorFactory = std::function<EditorAccess*()>;

}  // namespace qs
