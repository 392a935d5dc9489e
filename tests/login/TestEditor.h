#pragma once

#include <QComboBox>
#include <QWidget>

#include "login/EditorAccess.h"

namespace qs::test {

// Stands in for the editor in the login window's tests: a bank combo Combo1
// that holds the editor's own list before the login adds the server's, and a
// record of being shown.
class TestEditor : public QWidget, public EditorAccess {
public:
    TestEditor() {
        Combo1 = new QComboBox(this);
        Combo1->setObjectName(QStringLiteral("Combo1"));
        Combo1->setEditable(true);
        Combo1->addItem(QStringLiteral("本机题库"));
        Combo1->setEditText(QStringLiteral("本机题库"));
    }
    void insertBank(int index, const QString& name) override { Combo1->insertItem(index, name); }
    void setBankText(const QString& text) override { Combo1->setEditText(text); }
    void showEditor() override {
        ++shown;
        show();
    }
    QStringList banks() const {
        QStringList out;
        for (int i = 0; i < Combo1->count(); ++i) out << Combo1->itemText(i);
        return out;
    }

    QComboBox* Combo1;
    int shown = 0;
};

}  // namespace qs::test
