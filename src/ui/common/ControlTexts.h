#pragma once

#include <QAbstractButton>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QWidget>

#include "app/Language.h"
#include "app/ResourceLibrary.h"

// The text of a control of a dialog in the current library; "" before a library is loaded.
inline QString DialogText(int dialog, int control) {
    const CResourceLibrary* library = Resources();
    return library != nullptr ? library->DialogText(dialog, control) : QString();
}

// A button's text and the name a screen reader announces are the same.
inline void SetButtonText(QAbstractButton* button, const QString& text) {
    button->setText(text);
    button->setAccessibleName(text);
}

// A label and the controls it names: the label's text becomes their accessible name.
inline void SetLabelText(QLabel* label, const QString& text, std::initializer_list<QWidget*> named) {
    label->setText(text);
    for (QWidget* widget : named) widget->setAccessibleName(text);
}

// A push button of a tab page: named for tests and accessibility clients, and never the default button, so
// Enter in an edit does not press it.
inline QPushButton* MakePageButton(QWidget* parent, const char* objectName) {
    auto* button = new QPushButton(parent);
    button->setObjectName(QLatin1String(objectName));
    button->setAutoDefault(false);
    return button;
}
