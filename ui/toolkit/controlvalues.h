#pragma once

#include <QCheckBox>
#include <QComboBox>

// Numeric values of the form controls, as the program's code reads them.
namespace toolkit {

// Check box value: 0 unticked, 1 ticked, 2 greyed.
int checkValue(const QCheckBox* box);
// Values other than 0, 1 and 2 are ignored.
void setCheckValue(QCheckBox* box, int value);

// A check box that a user click toggles between ticked and unticked; a
// greyed box becomes ticked. (A plain tri-state QCheckBox would also cycle
// through the greyed state.)
class CheckBox : public QCheckBox {
    Q_OBJECT
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override;
};

// Makes `combo` a drop-down combo: a fixed list of items, and the user may
// type any text without adding it to the list.
void makeDropDown(QComboBox* combo);
// Index of the chosen item: -1 when the text in the box is not an item.
int comboIndex(const QComboBox* combo);
// -1 empties the box; indexes beyond the list are ignored.
void setComboIndex(QComboBox* combo, int index);

} // namespace toolkit
