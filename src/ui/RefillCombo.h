#pragma once

#include <QComboBox>

// An editable combo box whose list is refilled each time it is about to drop down.
class RefillCombo : public QComboBox {
    Q_OBJECT
  public:
    explicit RefillCombo(QWidget* parent = nullptr);
    void showPopup() override;

  signals:
    void aboutToShowPopup();
};
