#include "shell/frmSwitchRGBA.h"

#include "operations/Commands.h"
#include "widgets/DialogKeys.h"
#include "widgets/Twips.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace vtt {

namespace {

enum class Kind { SwitchButton, Arrow, Button };

struct Placement {
    Kind kind;
    const char* name;
    int index; // cmdSwitch index; -1 for the other controls
    const char* caption;
    int left, top, width, height; // twips
};

// The dialog's design, in design order and in twips.
constexpr int ClientWidth = 2535;
constexpr int ClientHeight = 3135;
constexpr Placement Layout[] = {
    {Kind::SwitchButton, "cmdSwitch", 0, "Red", 120, 120, 975, 495},
    {Kind::Arrow, "Label1", -1, ">", 1200, 240, 135, 255},
    {Kind::SwitchButton, "cmdSwitch", 1, "Red", 1440, 120, 975, 495},
    {Kind::SwitchButton, "cmdSwitch", 2, "Green", 120, 720, 975, 495},
    {Kind::Arrow, "Label2", -1, ">", 1200, 840, 135, 255},
    {Kind::SwitchButton, "cmdSwitch", 3, "Green", 1440, 720, 975, 495},
    {Kind::SwitchButton, "cmdSwitch", 4, "Blue", 120, 1320, 975, 495},
    {Kind::Arrow, "Label3", -1, ">", 1200, 1440, 135, 255},
    {Kind::SwitchButton, "cmdSwitch", 5, "Blue", 1440, 1320, 975, 495},
    {Kind::SwitchButton, "cmdSwitch", 6, "Alpha", 120, 1920, 975, 495},
    {Kind::Arrow, "Label4", -1, ">", 1200, 2040, 135, 255},
    {Kind::SwitchButton, "cmdSwitch", 7, "Alpha", 1440, 1920, 975, 495},
    {Kind::Button, "cmdOK", -1, "OK", 120, 2640, 855, 375},
    {Kind::Button, "cmdCancel", -1, "Cancel", 1560, 2640, 855, 375},
};
// Line1 runs from (120, 2520) to (2400, 2520).
constexpr int LineLeft = 120, LineRight = 2400, LineTop = 2520;

QRect rectOf(const Placement& p) { return twipsRect(p.left, p.top, p.width, p.height); }

QPushButton* makeButton(QWidget* parent, const QString& name, const char* caption, const QRect& rect)
{
    auto* button = new QPushButton(QString::fromLatin1(caption), parent);
    button->setObjectName(name);
    button->setGeometry(rect);
    // Enter and Esc are the window's (bindDialogKeys), not a default
    // button's.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

} // namespace

frmSwitchRGBA::frmSwitchRGBA(IssueCommand issue, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      issue_(std::move(issue))
{
    setObjectName(QStringLiteral("frmSwitchRGBA"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Switch RGBA Channel"));
    setFixedSize(twips(ClientWidth), twips(ClientHeight));

    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    for (const Placement& p : Layout) {
        switch (p.kind) {
        case Kind::SwitchButton: {
            QPushButton* button = makeButton(this, QStringLiteral("cmdSwitch_%1").arg(p.index), p.caption, rectOf(p));
            button->setProperty("index", p.index);
            const int index = p.index;
            connect(button, &QPushButton::clicked, this, [this, index] { cmdSwitch_Click(index); });
            cmdSwitch[static_cast<std::size_t>(p.index)] = button;
            break;
        }
        case Kind::Arrow: {
            auto* label = new QLabel(QString::fromLatin1(p.caption), this);
            label->setObjectName(QString::fromLatin1(p.name));
            label->setGeometry(rectOf(p));
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            break;
        }
        case Kind::Button: {
            QPushButton* button = makeButton(this, QString::fromLatin1(p.name), p.caption, rectOf(p));
            (button->objectName() == QLatin1String("cmdOK") ? ok : cancel) = button;
            break;
        }
        }
    }
    connect(ok, &QPushButton::clicked, this, &frmSwitchRGBA::cmdOK_Click);
    connect(cancel, &QPushButton::clicked, this, &frmSwitchRGBA::cmdCancel_Click);
    bindDialogKeys(this, ok, cancel);

    auto* line = new QFrame(this);
    line->setObjectName(QStringLiteral("Line1"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setLineWidth(1);
    line->setGeometry(twips(LineLeft), twips(LineTop), twips(LineRight - LineLeft), 1);

    // Row by row, left before right, then OK and Cancel.
    QWidget* previous = cmdSwitch[0];
    for (std::size_t i = 1; i < cmdSwitch.size(); ++i) {
        setTabOrder(previous, cmdSwitch[i]);
        previous = cmdSwitch[i];
    }
    setTabOrder(previous, ok);
    setTabOrder(ok, cancel);
}

void frmSwitchRGBA::cmdSwitch_Click(int Index)
{
    if (Index < 0 || Index >= static_cast<int>(cmdSwitch.size()))
        return;
    QPushButton* clicked = cmdSwitch[static_cast<std::size_t>(Index)];
    if (!PickPending) {
        PickedCaption = clicked->text();
        PickPending = true;
        return;
    }
    // A second click places the pick on a right button; on a left button it
    // just drops the pick, since left captions never change.
    if (Index % 2 == 1)
        clicked->setText(PickedCaption);
    PickPending = false;
}

void frmSwitchRGBA::cmdOK_Click()
{
    ChannelMapping mapping;
    for (Channel destination : {Channel::Red, Channel::Green, Channel::Blue, Channel::Alpha}) {
        const QPushButton* right = cmdSwitch[2 * static_cast<std::size_t>(destination) + 1];
        // Only the four names ever appear; anything else would leave the
        // channel as it is.
        if (auto source = channelNamed(right->text().toStdString()))
            mapping[destination] = *source;
    }
    issue_(std::make_unique<SwitchChannelsCommand>(mapping));
    hide();
}

void frmSwitchRGBA::cmdCancel_Click()
{
    // Destroys the window, and a pending pick with it.
    close();
}

} // namespace vtt
