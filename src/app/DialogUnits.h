#pragma once

#include <QFontMetrics>
#include <QRect>
#include <QSize>
#include <QWidget>

// Layouts are given in dialog units: a quarter of the average character width and an eighth of the
// character height of the dialog's font.
inline int DluX(const QWidget* w, int du) { return du * QFontMetrics(w->font()).averageCharWidth() / 4; }
inline int DluY(const QWidget* w, int du) { return du * QFontMetrics(w->font()).height() / 8; }
inline QSize DluSize(const QWidget* w, int cx, int cy) { return QSize(DluX(w, cx), DluY(w, cy)); }
