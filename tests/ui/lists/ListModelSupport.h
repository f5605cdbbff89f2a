#pragma once

#include <QAbstractItemModel>
#include <QBrush>
#include <QColor>
#include <QString>

// What the tests of the scene and merge list models read from a model.

inline QString CellText(const QAbstractItemModel& model, int row, int column) {
    return model.data(model.index(row, column)).toString();
}

// Every cell of row in the grey of a disabled entry.
inline bool RowIsGrey(const QAbstractItemModel& model, int row) {
    for (int column = 0; column < model.columnCount(); ++column) {
        const QModelIndex index = model.index(row, column);
        if (model.data(index, Qt::ForegroundRole).value<QBrush>().color() != QColor(128, 128, 128)) return false;
        if (model.data(index, Qt::BackgroundRole).value<QBrush>().color() != QColor(220, 220, 220)) return false;
    }
    return true;
}

// No cell of row has a colour of its own.
inline bool RowIsPlain(const QAbstractItemModel& model, int row) {
    for (int column = 0; column < model.columnCount(); ++column) {
        const QModelIndex index = model.index(row, column);
        if (model.data(index, Qt::ForegroundRole).isValid() || model.data(index, Qt::BackgroundRole).isValid()) {
            return false;
        }
    }
    return true;
}
