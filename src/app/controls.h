#pragma once
// The controls of the windows made one way: named after the control they are (the object name tests
// and style sheets find them by), buttons that never become the default on focus.

#include <QString>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace qln {

QPushButton* NewButton(QWidget* parent, const QString& name, const QString& text, const QString& tip = QString());
QLabel* NewLabel(QWidget* parent, const QString& name, const QString& text = QString(), QWidget* buddy = nullptr);
QCheckBox* NewCheck(QWidget* parent, const QString& name, const QString& text);
QLineEdit* NewEdit(QWidget* parent, const QString& name, const QString& text = QString());

}  // namespace qln
