#pragma once

#include "shell/Pictures.h"

#include <QKeySequence>
#include <QList>

#include <functional>
#include <optional>
#include <vector>

class QAction;
class QMenuBar;
class QToolBar;
class QWidget;

namespace vtt {

class PictureArea;

// One command of the main window: one QAction, shown by its menu and, when
// it has a key string, by the toolbar. The action is found by its name.
struct CommandItem {
    const char* name;    // the action's objectName; "-" items are separators
    const char* caption; // "-" for a separator
    std::function<void()> run;
    QList<QKeySequence> keys{};
    // A single key belongs to the picture alone (see pictureKeys).
    bool pictureKey = false;
    bool checkable = false; // one of a group of which one is checked
    bool checked = false;
};
struct CommandMenu {
    const char* name;
    const char* caption;
    std::vector<CommandItem> items;
    const char* before = nullptr; // the menu it is inserted before; null: at the end
};

// Builds the menus on `bar`. Items with picture keys get their keys scoped
// to `picture` (Qt::WidgetWithChildrenShortcut), so typing in a text box
// never triggers them; a plain key pressed while a menu is open or the menu
// bar has the keyboard is that menu's access key, never such a command.
void buildMenus(QMenuBar* bar, QWidget* picture, const std::vector<CommandMenu>& menus);
// The same guard for a menu added later (or the menu bar itself).
void guardMenuKeys(QWidget* menu);

// The View menu: zoom, the channel shown, the mip level (stepped by one).
CommandMenu viewMenu(PictureArea* pic, std::function<void(int step)> stepMipLevel);

// The toolbar's buttons, by the design's key strings: each shows the menu's
// own action (found in `window` by name), keeps the key as its data and its
// widget's name, and the design's tool tip, which a screen reader announces.
struct ToolbarButton {
    const char* key;
    const char* action;
    const char* toolTip;
    ToolbarPicture picture;
};
void fillToolbar(QToolBar* toolbar, QWidget* window, const ImageList& pictures,
                 const std::vector<ToolbarButton>& buttons);
// The action whose toolbar key is `key`, compared exactly; null for none.
QAction* toolbarAction(QToolBar* toolbar, const QString& key);

} // namespace vtt
