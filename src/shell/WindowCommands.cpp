#include "shell/WindowCommands.h"

#include <QAction>
#include <QActionGroup>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

namespace vtt {

namespace {

// While a menu is open, or the menu bar has the keyboard, a key without
// Ctrl, Alt or Meta is the menu's: claimed here before any shortcut sees it
// (a picture key is also reachable through its menu, and R in an open
// Tools menu must not switch to the red channel).
class MenuKeyGuard : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::ShortcutOverride) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (!(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
                key->accept();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void guardMenuKeys(QWidget* menu) { menu->installEventFilter(new MenuKeyGuard(menu)); }

void buildMenus(QMenuBar* bar, QWidget* picture, const std::vector<CommandMenu>& menus)
{
    guardMenuKeys(bar);
    for (const CommandMenu& m : menus) {
        auto* menu = new QMenu(QString::fromLatin1(m.caption), bar);
        menu->setObjectName(QString::fromLatin1(m.name));
        guardMenuKeys(menu);
        QMenu* before = m.before ? bar->findChild<QMenu*>(QString::fromLatin1(m.before)) : nullptr;
        bar->insertMenu(before ? before->menuAction() : nullptr, menu);
        QActionGroup* checks = nullptr;
        for (const CommandItem& item : m.items) {
            const bool separator = QLatin1String(item.caption) == QLatin1String("-");
            QAction* action = separator ? menu->addSeparator() : menu->addAction(QString::fromLatin1(item.caption));
            action->setObjectName(QString::fromLatin1(item.name));
            if (separator)
                continue;
            QObject::connect(action, &QAction::triggered, bar, item.run);
            action->setShortcuts(item.keys);
            if (item.pictureKey) {
                action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
                picture->addAction(action);
            }
            if (item.checkable) {
                if (!checks)
                    checks = new QActionGroup(menu);
                action->setCheckable(true);
                action->setChecked(item.checked);
                checks->addAction(action);
            }
        }
    }
}

void fillToolbar(QToolBar* toolbar, QWidget* window, const ImageList& pictures,
                 const std::vector<ToolbarButton>& buttons)
{
    for (const ToolbarButton& button : buttons) {
        QAction* action = window->findChild<QAction*>(QString::fromLatin1(button.action));
        action->setData(QString::fromLatin1(button.key));
        action->setToolTip(QString::fromLatin1(button.toolTip));
        action->setIcon(QIcon(pictures.picture(button.picture)));
        // The menus show captions only, as designed.
        action->setIconVisibleInMenu(false);
        toolbar->addAction(action);
        if (QWidget* widget = toolbar->widgetForAction(action)) {
            widget->setObjectName(QStringLiteral("Toolbar1_") + QString::fromLatin1(button.key));
            widget->setAccessibleName(action->toolTip());
        }
    }
}

QAction* toolbarAction(QToolBar* toolbar, const QString& key)
{
    for (QAction* action : toolbar->actions())
        if (action->data().toString() == key)
            return action;
    return nullptr;
}

} // namespace vtt
