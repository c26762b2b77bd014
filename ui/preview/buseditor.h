#pragma once

// The preview's bus editor: the page options' bus lanes, one chosen at a
// time to rename, give other channels or another radix, or remove, and
// "New bus" to add one. A bus whose channels cannot be read is not taken:
// the editor says why beside them.

#include "printing/page/diagramoptions.h"
#include "ui/preview/pageoptionsmodel.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QWidget>

#include <optional>

class BusEditor : public QWidget {
    Q_OBJECT
public:
    explicit BusEditor(PageOptionsModel& model, QWidget* parent = nullptr);

    // What is typed for the chosen bus counts now, as it would on Enter.
    void takeTyping();

    QComboBox* bus; // the buses by name, then "New bus"
    QLineEdit* name;
    QLineEdit* channels; // "7-0", "15,11-8": most significant first
    QComboBox* radix;
    QPushButton* add;
    QPushButton* remove;
    QLabel* problem; // why the typed bus is not taken; hidden when nothing keeps it

private:
    void showBuses();
    void showChosen();
    // The fields as the bus at `index` of the model's, else why not.
    std::optional<BusLane> readFields(int index);
    void apply();
    void addBus();
    void removeBus();
    int chosen() const; // -1: "New bus"

    QPointer<PageOptionsModel> model_;
};
