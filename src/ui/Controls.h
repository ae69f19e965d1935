#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

// Controls of the windows, named and placed as the forms draw them.
inline QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption,
                               QRect place = {}) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    if (place.isValid())
        b->setGeometry(place);
    return b;
}

inline QLabel* makeLabel(QWidget* parent, const QString& name, const QString& caption, QRect place) {
    auto* l = new QLabel(caption, parent);
    l->setObjectName(name);
    l->setGeometry(place);
    return l;
}

inline QLineEdit* makeEdit(QWidget* parent, const QString& name, QRect place) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setGeometry(place);
    return e;
}
