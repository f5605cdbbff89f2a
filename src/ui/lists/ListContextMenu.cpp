#include "ui/lists/ListContextMenu.h"

#include "app/Language.h"
#include "app/ResourceLibrary.h"

std::unique_ptr<QMenu> CreateListContextMenu(QWidget* parent, bool split, bool splitEnabled) {
    auto menu = std::make_unique<QMenu>(parent);
    menu->setObjectName(QStringLiteral("listContextMenu"));
    const CResourceLibrary* library = Resources();
    const std::vector<MenuResource>* resource = library != nullptr ? library->Menu(1054) : nullptr;
    // The menu shows the first popup of the resource; the popup's own title is never shown.
    if (resource == nullptr || resource->empty()) return menu;
    for (const MenuResource& item : resource->front().items) {
        if (item.separator) {
            menu->addSeparator();
            continue;
        }
        if (item.IsPopup() || (item.id == kListSplit && !split)) continue;
        QAction* action = menu->addAction(item.text);
        action->setData(item.id);
        action->setObjectName(QStringLiteral("command%1").arg(item.id));
        if (item.id == kListSplit) action->setEnabled(splitEnabled);
    }
    return menu;
}
