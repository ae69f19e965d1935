#include "ui/RefillCombo.h"

RefillCombo::RefillCombo(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
}

void RefillCombo::showPopup() {
    // Refilling clears the list; the typed text stays.
    const QString typed = currentText();
    emit aboutToShowPopup();
    setEditText(typed);
    QComboBox::showPopup();
}
