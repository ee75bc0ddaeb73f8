// NewButton, NewLabel, NewCheck and NewEdit.

#include "app/controls.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace qln {

QPushButton* NewButton(QWidget* parent, const QString& name, const QString& text, const QString& tip) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setToolTip(tip);
    button->setAutoDefault(false);
    return button;
}

QLabel* NewLabel(QWidget* parent, const QString& name, const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    if (buddy) label->setBuddy(buddy);
    return label;
}

QCheckBox* NewCheck(QWidget* parent, const QString& name, const QString& text) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(name);
    return box;
}

QLineEdit* NewEdit(QWidget* parent, const QString& name, const QString& text) {
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(name);
    return edit;
}

}  // namespace qln
