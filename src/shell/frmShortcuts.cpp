#include "shell/frmShortcuts.h"

#include "shell/Pictures.h"
#include "widgets/DialogKeys.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace vtt {

namespace {

// "Zoom &In" -> "Zoom In"; "&&" stays one "&".
QString plainCaption(QString caption)
{
    caption.replace(QLatin1String("&&"), QLatin1String("\x01"));
    caption.remove(QLatin1Char('&'));
    caption.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return caption;
}

ShortcutRow rowOf(const QAction* action, const QString& path)
{
    QStringList keys;
    for (const QKeySequence& key : action->shortcuts())
        keys << key.toString(QKeySequence::NativeText);
    return {path, keys.join(QStringLiteral(", ")),
            action->shortcutContext() == Qt::WidgetWithChildrenShortcut ? QStringLiteral("Picture")
                                                                         : QStringLiteral("Window")};
}

void addMenu(const QMenu* menu, const QString& path, std::vector<ShortcutRow>& rows,
             std::vector<const QAction*>& seen)
{
    for (const QAction* action : menu->actions()) {
        const QString here = path + QStringLiteral(" > ") + plainCaption(action->text());
        if (action->menu())
            addMenu(action->menu(), here, rows, seen);
        else if (!action->isSeparator() && !action->shortcuts().isEmpty())
            rows.push_back(rowOf(action, here));
        seen.push_back(action);
    }
}

} // namespace

std::vector<ShortcutRow> shortcutRows(QMenuBar* bar, QWidget* picture)
{
    std::vector<ShortcutRow> rows;
    std::vector<const QAction*> seen;
    for (const QAction* top : bar->actions())
        if (top->menu())
            addMenu(top->menu(), plainCaption(top->text()), rows, seen);
    for (const QAction* action : picture->actions())
        if (std::find(seen.begin(), seen.end(), action) == seen.end() && !action->shortcuts().isEmpty())
            rows.push_back(rowOf(action, plainCaption(action->text())));
    return rows;
}

frmShortcuts::frmShortcuts(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmShortcuts"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Keyboard Shortcuts"));
    setWindowIcon(programIcon());
    table_ = new QTreeWidget(this);
    table_->setObjectName(QStringLiteral("lstShortcuts"));
    table_->setAccessibleName(QStringLiteral("Keyboard shortcuts"));
    table_->setRootIsDecorated(false);
    table_->setHeaderLabels({QStringLiteral("Command"), QStringLiteral("Keys"), QStringLiteral("Where")});
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_);
    bindDialogKeys(this, nullptr, nullptr);
}

void frmShortcuts::showRows(const std::vector<ShortcutRow>& rows)
{
    table_->clear();
    for (const ShortcutRow& row : rows)
        table_->addTopLevelItem(new QTreeWidgetItem({row.command, row.keys, row.where}));
    for (int column = 0; column < table_->columnCount(); ++column)
        table_->resizeColumnToContents(column);
    const int wide = table_->header()->length() + 2 * table_->frameWidth() + 40;
    const int tall = table_->sizeHintForRow(0) * (table_->topLevelItemCount() + 2) + 40;
    resize(std::max(wide, 320), std::clamp(tall, 240, 640));
}

void showShortcuts(QMenuBar* bar, QWidget* picture)
{
    // Owned by the main window, so it goes with it.
    auto* window = bar->window()->findChild<frmShortcuts*>();
    if (!window)
        window = new frmShortcuts(bar->window());
    window->showRows(shortcutRows(bar, picture));
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace vtt
