// Numeric values of check boxes and drop-down lists.

#include "ui/toolkit/controlvalues.h"

#include <QLineEdit>

namespace toolkit {

int checkValue(const QCheckBox* box)
{
    switch (box->checkState()) {
    case Qt::Unchecked: return 0;
    case Qt::Checked: return 1;
    case Qt::PartiallyChecked: return 2;
    }
    return 0;
}

void setCheckValue(QCheckBox* box, int value)
{
    switch (value) {
    case 0: box->setCheckState(Qt::Unchecked); break;
    case 1: box->setCheckState(Qt::Checked); break;
    case 2:
        // Greying needs the third state; it stays allowed afterwards.
        box->setTristate(true);
        box->setCheckState(Qt::PartiallyChecked);
        break;
    default: break;
    }
}

void CheckBox::nextCheckState()
{
    setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

void makeDropDown(QComboBox* combo)
{
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
}

int comboIndex(const QComboBox* combo)
{
    const QString text = combo->currentText();
    const int current = combo->currentIndex();
    if (current >= 0 && combo->itemText(current) == text)
        return current;
    return combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
}

void setComboIndex(QComboBox* combo, int index)
{
    if (index < -1 || index >= combo->count())
        return;
    combo->setCurrentIndex(index);
    if (index == -1 && combo->lineEdit())
        combo->lineEdit()->clear();
}

} // namespace toolkit
