#pragma once

#include <QString>
#include <QWidget>

#include <vector>

class QMenuBar;
class QTreeWidget;

namespace vtt {

// One key of the window: the command ("View > Zoom In"), its keys and
// where they act ("Window", or "Picture" for keys that act only while the
// picture has the focus).
struct ShortcutRow {
    QString command;
    QString keys;
    QString where;
};

// Every action with a key, read from the actions themselves: the menus'
// in menu order, then those only the picture holds.
std::vector<ShortcutRow> shortcutRows(QMenuBar* bar, QWidget* picture);

// Help > Keyboard Shortcuts: the rows above in a table. Esc closes it.
class frmShortcuts : public QWidget {
    Q_OBJECT
public:
    explicit frmShortcuts(QWidget* parent = nullptr);
    void showRows(const std::vector<ShortcutRow>& rows);

private:
    QTreeWidget* table_ = nullptr;
};

// Shows the one shortcuts window, filled afresh, in front.
void showShortcuts(QMenuBar* bar, QWidget* picture);

} // namespace vtt
