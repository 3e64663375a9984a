#include "shell/frmRotate.h"

#include "operations/Rotate.h"
#include "shell/Pictures.h"
#include "widgets/DialogKeys.h"
#include "widgets/Twips.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <utility>
#include <vector>

namespace vtt {

namespace {

enum class Kind { Button, Frame, Option, Label };

struct Placement {
    Kind kind;
    const char* name;
    const char* container; // nullptr: the window itself
    const char* caption;
    int left, top, width, height; // twips
    int tabIndex;
    bool selected;
};

// The dialog's design, in design order.
constexpr int ClientWidth = 5700;
constexpr int ClientHeight = 1095;
constexpr Placement Layout[] = {
    {Kind::Button, "cmdCancel", nullptr, "Cancel", 4440, 600, 1215, 375, 5, false},
    {Kind::Button, "cmdOK", nullptr, "OK", 4440, 120, 1215, 375, 4, false},
    {Kind::Frame, "Frame2", nullptr, "Degrees", 1440, 0, 2895, 1095, 1, false},
    {Kind::Option, "opt270", "Frame2", "&270", 1920, 240, 615, 255, 8, false},
    {Kind::Option, "opt180", "Frame2", "&180", 960, 240, 615, 255, 7, false},
    {Kind::Option, "opt90", "Frame2", "&90", 120, 240, 495, 255, 6, true},
    {Kind::Label, "Label1", "Frame2", "Select how many degrees to rotate the image.", 120, 480, 2655, 495, 9, false},
    {Kind::Frame, "Frame1", nullptr, "Direction", 0, 0, 1335, 1095, 0, false},
    // The design really names this button "opyLeft".
    {Kind::Option, "opyLeft", "Frame1", "&Left", 120, 720, 735, 255, 3, false},
    {Kind::Option, "optRight", "Frame1", "&Right", 120, 360, 735, 255, 2, true},
};

// Within a group of option buttons only the selected one is a keyboard
// stop; the others are still reached with the mouse.
void followSelection(QRadioButton* option, bool selected)
{
    option->setFocusPolicy(selected ? Qt::StrongFocus : Qt::ClickFocus);
}

} // namespace

frmRotate::frmRotate(QWidget* parent, std::function<void(int clockwise)> rotate)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      rotate_(std::move(rotate))
{
    setObjectName(QStringLiteral("frmRotate"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Rotate"));
    setWindowIcon(rotateIcon());
    setFixedSize(twips(ClientWidth), twips(ClientHeight));
    // The design's option buttons are as narrow as their captions: with the
    // usual gap after the indicator "90" and "Right" would be cut.
    setStyleSheet(QStringLiteral("QRadioButton { spacing: 1px; }"));

    std::vector<std::pair<int, QWidget*>> focusable;
    for (const Placement& p : Layout) {
        QWidget* container = p.container ? findChild<QWidget*>(QString::fromLatin1(p.container)) : this;
        const QString caption = QString::fromLatin1(p.caption);
        QWidget* widget = nullptr;
        switch (p.kind) {
        case Kind::Button: {
            auto* button = new QPushButton(caption, container);
            // Enter and Esc are the window's (bindDialogKeys), not a
            // default button's.
            button->setAutoDefault(false);
            button->setDefault(false);
            widget = button;
            focusable.emplace_back(p.tabIndex, button);
            break;
        }
        case Kind::Frame:
            widget = new QGroupBox(caption, container);
            break;
        case Kind::Option: {
            // Each frame is its own group: auto-exclusive buttons exclude
            // only their siblings.
            auto* option = new QRadioButton(caption, container);
            option->setChecked(p.selected);
            followSelection(option, p.selected);
            connect(option, &QRadioButton::toggled, option, [option](bool on) { followSelection(option, on); });
            widget = option;
            focusable.emplace_back(p.tabIndex, option);
            break;
        }
        case Kind::Label: {
            auto* label = new QLabel(caption, container);
            label->setWordWrap(true);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            widget = label;
            break;
        }
        }
        widget->setObjectName(QString::fromLatin1(p.name));
        widget->setGeometry(twipsRect(p.left, p.top, p.width, p.height));
    }
    // Design order is not focus order: keyboard focus follows the tab index.
    std::sort(focusable.begin(), focusable.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < focusable.size(); ++i)
        setTabOrder(focusable[i - 1].second, focusable[i].second);

    cmdCancel = findChild<QPushButton*>(QStringLiteral("cmdCancel"));
    cmdOK = findChild<QPushButton*>(QStringLiteral("cmdOK"));
    Frame2 = findChild<QGroupBox*>(QStringLiteral("Frame2"));
    opt270 = findChild<QRadioButton*>(QStringLiteral("opt270"));
    opt180 = findChild<QRadioButton*>(QStringLiteral("opt180"));
    opt90 = findChild<QRadioButton*>(QStringLiteral("opt90"));
    Label1 = findChild<QLabel*>(QStringLiteral("Label1"));
    Frame1 = findChild<QGroupBox*>(QStringLiteral("Frame1"));
    opyLeft = findChild<QRadioButton*>(QStringLiteral("opyLeft"));
    optRight = findChild<QRadioButton*>(QStringLiteral("optRight"));

    connect(cmdOK, &QPushButton::clicked, this, &frmRotate::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmRotate::cmdCancel_Click);
    bindDialogKeys(this, cmdOK, cmdCancel);
}

void frmRotate::cmdOK_Click()
{
    const int degrees = opt180->isChecked() ? 180 : opt270->isChecked() ? 270 : 90;
    const int clockwise = clockwiseDegrees(degrees, opyLeft->isChecked());
    // Closed first: the turn redraws the main window, which then shows
    // without the dialog in front of it.
    const auto rotate = rotate_;
    close();
    if (rotate)
        rotate(clockwise);
}

void frmRotate::cmdCancel_Click() { close(); }

} // namespace vtt
