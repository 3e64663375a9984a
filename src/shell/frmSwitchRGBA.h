#pragma once

#include "document/ImageDocument.h"
#include "operations/Command.h"

#include <QString>
#include <QWidget>

#include <array>
#include <functional>

class QPushButton;

namespace vtt {

// The channel switch dialog. Deletes itself when closed (Cancel or the
// close box); OK only hides it, so its captions and a pending pick survive
// until the next showing.
//
// Row r has a left button (index 2r) naming the row's own channel and a right
// button (index 2r + 1) naming the channel that row takes its value from.
class frmSwitchRGBA : public QWidget {
    Q_OBJECT
public:
    // OK issues the switch as a command, so that it can be undone.
    explicit frmSwitchRGBA(IssueCommand issue, QWidget* parent = nullptr);

    bool pickPending() const { return PickPending; }
    const QString& pickedCaption() const { return PickedCaption; }

public slots:
    void cmdSwitch_Click(int Index);
    void cmdOK_Click();
    void cmdCancel_Click();

private:
    IssueCommand issue_;
    std::array<QPushButton*, 8> cmdSwitch{};

    bool PickPending = false;
    // Kept after it is placed; only the next pick replaces it.
    QString PickedCaption;
};

} // namespace vtt
