#pragma once

#include <QString>
#include <QStringList>

// Converts a filter text of the form "Description|*.a;*.b|Other|*.c||" into Qt name filters
// ("Description (*.a *.b)"). A description that already ends in a parenthesised pattern list has that list
// replaced; "*.*" becomes "*" so that names without a dot are listed too.
QStringList ConvertFilterText(const QString& filter);
