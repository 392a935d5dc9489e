#pragma once

#include <QStringList>
#include <QStyledItemDelegate>

namespace qs {

// Edits a cell of a table by choosing one of a few texts from a drop-down list; the cell itself
// stays a plain item of the model, so a screen reader reads it as text.
class ChoiceDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    ChoiceDelegate(QStringList choices, QObject* parent);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

private:
    QStringList choices_;
};

}  // namespace qs
