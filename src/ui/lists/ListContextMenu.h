#pragma once

#include <QMenu>
#include <memory>

// The row menu of the scene and merge lists (menu 1054): copy (1106), split (1055), delete (1056), built
// from the current library. Each action carries its command id as data and is named "command<id>".
enum ListCommand { kListCopy = 1106, kListSplit = 1055, kListDelete = 1056 };

// split: the merge list has none (false removes the entry); splitEnabled greys it when false.
std::unique_ptr<QMenu> CreateListContextMenu(QWidget* parent, bool split, bool splitEnabled);
