#include "palette/frmPallet.h"

#include "platform/Messages.h"

#include "files/PaletteFileCommands.h"
#include "operations/Commands.h"
#include "palette/SwatchLabel.h"
#include "widgets/DialogKeys.h"
#include "widgets/Twips.h"
#include "widgets/ColourValue.h"

#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QWindow>

#include <utility>

namespace vtt {

namespace {

// The window's design, in twips. Swatch k sits at column k mod 16, row
// k div 16; each is one pixel larger than the pitch, so neighbours overlap.
constexpr int ClientWidth = 5175;
constexpr int ClientHeight = 4095;
constexpr int SwatchOrigin = 120;
constexpr int SwatchPitch = 240;
constexpr int SwatchSize = 255;
constexpr int SwatchColumns = 16;

struct ButtonPlacement {
    const char* name;
    const char* caption;
    int left, top, width, height;
};
// In focus order.
constexpr ButtonPlacement Buttons[] = {
    {"cmdSave", "Save", 4080, 1320, 975, 375},
    {"cmdLoad", "Load", 4080, 960, 975, 375},
    {"cmdOK", "OK", 4080, 120, 975, 375},
    {"cmdCancel", "Cancel", 4080, 480, 975, 375},
};

QRect swatchRect(int k)
{
    return twipsRect(SwatchOrigin + SwatchPitch * (k % SwatchColumns), SwatchOrigin + SwatchPitch * (k / SwatchColumns),
                     SwatchSize, SwatchSize);
}

} // namespace

frmPallet::frmPallet(const ImageDocument& doc, IssueCommand issue, Platform& platform, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                          | Qt::WindowCloseButtonHint),
      doc_(doc), issue_(std::move(issue)), platform_(platform)
{
    setObjectName(QStringLiteral("frmPallet"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Pallet"));
    resize(twips(ClientWidth), twips(ClientHeight));

    for (int k = 0; k < PaletteEntries; ++k) {
        auto* swatch = new SwatchLabel(k, this);
        swatch->setObjectName(QStringLiteral("lblPallet_%1").arg(k));
        swatch->setProperty("index", k);
        swatch->setGeometry(swatchRect(k));
        connect(swatch, &SwatchLabel::clicked, this, &frmPallet::lblPallet_Click);
        lblPallet[static_cast<std::size_t>(k)] = swatch;
    }

    QPushButton* previous = nullptr;
    for (const ButtonPlacement& p : Buttons) {
        auto* button = new QPushButton(QString::fromLatin1(p.caption), this);
        button->setObjectName(QString::fromLatin1(p.name));
        button->setGeometry(twipsRect(p.left, p.top, p.width, p.height));
        button->setAutoDefault(false);
        button->setDefault(false);
        if (previous)
            setTabOrder(previous, button);
        previous = button;
    }
    cmdSave = findChild<QPushButton*>(QStringLiteral("cmdSave"));
    cmdLoad = findChild<QPushButton*>(QStringLiteral("cmdLoad"));
    cmdOK = findChild<QPushButton*>(QStringLiteral("cmdOK"));
    cmdCancel = findChild<QPushButton*>(QStringLiteral("cmdCancel"));
    connect(cmdLoad, &QPushButton::clicked, this, &frmPallet::cmdLoad_Click);
    connect(cmdSave, &QPushButton::clicked, this, &frmPallet::cmdSave_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmPallet::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmPallet::cmdCancel_Click);
    bindDialogKeys(this, cmdOK, cmdCancel);

    lblNoPallet = new QLabel(QStringLiteral("This image has no palette: its pixels hold their colours themselves, "
                                            "so there is nothing to edit here."),
                             this);
    lblNoPallet->setObjectName(QStringLiteral("lblNoPallet"));
    lblNoPallet->setWordWrap(true);
    lblNoPallet->setAlignment(Qt::AlignCenter);
    lblNoPallet->setGeometry(twipsRect(SwatchOrigin, SwatchOrigin, SwatchPitch * SwatchColumns, SwatchPitch * 16));

    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &frmPallet::otherWindowFocused);

    // Activation fills the swatches again; filling now as well means a window
    // that the desktop shows without activating never shows stale colours.
    Form_Activate();
}

bool frmPallet::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate) {
        if (picking_ || pickerWasActive_)
            pickerWasActive_ = false; // the picker handing the activation back
        else
            Form_Activate();
    }
    return QWidget::event(event);
}

// Some desktops hand the activation back to this window only after the
// picker has returned, others never do. The first activation of another
// window of the program while the picker is open is the picker's; any
// later one means the user went elsewhere, so coming back is a real return.
void frmPallet::otherWindowFocused(QWindow* window)
{
    if (window && window != windowHandle())
        pickerWasActive_ = picking_;
}

// Before anything is opened the palette is the one the next palette image
// of the kind that takes it (TEX type 15) starts from, as it always was.
bool frmPallet::hasPalette() const { return doc_.isPaletted() || doc_.empty(); }

void frmPallet::showPaletteState()
{
    const bool paletted = hasPalette();
    for (SwatchLabel* swatch : lblPallet)
        swatch->setVisible(paletted);
    for (QPushButton* button : {cmdOK, cmdLoad, cmdSave})
        button->setEnabled(paletted);
    lblNoPallet->setVisible(!paletted);
}

void frmPallet::Form_Activate()
{
    showPaletteState();
    for (int k = 0; k < PaletteEntries; ++k) {
        const std::size_t at = 4 * static_cast<std::size_t>(k);
        lblPallet[static_cast<std::size_t>(k)]->setColour(
            colourValue(doc_.Palette()[at], doc_.Palette()[at + 1], doc_.Palette()[at + 2]));
    }
}

void frmPallet::lblPallet_Click(int Index)
{
    if (Index < 0 || Index >= PaletteEntries || picking_ || !hasPalette())
        return;
    SwatchLabel* swatch = lblPallet[static_cast<std::size_t>(Index)];
    // The picker opens at the swatch's own colour, so confirming it unchanged
    // changes nothing.
    const QPointer<frmPallet> alive(this);
    picking_ = true;
    const std::optional<std::int32_t> picked = platform_.pickColour(this, swatch->colour());
    if (!alive)
        return;
    picking_ = false;
    if (picked)
        swatch->setColour(*picked);
}

void frmPallet::cmdOK_Click()
{
    // Red, green and blue of every entry; the alpha byte stays as it was.
    // The whole window's edit is one step.
    if (!hasPalette())
        return;
    PaletteEntries256 colours = doc_.Palette();
    for (int k = 0; k < PaletteEntries; ++k) {
        const std::int32_t c = lblPallet[static_cast<std::size_t>(k)]->colour();
        const std::size_t at = 4 * static_cast<std::size_t>(k);
        colours[at] = redOf(c);
        colours[at + 1] = greenOf(c);
        colours[at + 2] = blueOf(c);
    }
    issue_(std::make_unique<PaletteCommand>(colours));
}

void frmPallet::cmdCancel_Click() { close(); }

// Asks for a palette file and hands `use` its name; nothing while a dialog
// is already open. The window may be closed under the dialog or the
// message `use` shows, so it is asked after each whether it still exists.
template <class Use>
void frmPallet::withPaletteFile(bool save, Use use)
{
    if (picking_)
        return;
    const QPointer<frmPallet> alive(this);
    picking_ = true;
    const std::optional<QString> path = platform_.choosePaletteFile(this, save);
    if (!alive)
        return;
    if (path)
        if (const std::optional<std::string> problem = use(QFile::encodeName(*path).toStdString())) {
            platform_.messageBox(this, QString::fromStdString(*problem), MessageStyle::Stop);
            if (!alive)
                return;
        }
    picking_ = false;
}

// Fills the swatches only: OK applies them, Cancel forgets them. Entries the
// file does not define keep their swatch colours.
void frmPallet::cmdLoad_Click()
{
    withPaletteFile(false, [this](const std::string& name) -> std::optional<std::string> {
        const auto loaded = loadPaletteFile(name);
        if (!loaded)
            return cannotOpen(loaded.error());
        const PaletteColours& colours = loaded.value();
        for (std::size_t k = 0; k < static_cast<std::size_t>(colours.count); ++k)
            lblPallet[k]->setColour(colourValue(colours.rgb[3 * k], colours.rgb[3 * k + 1], colours.rgb[3 * k + 2]));
        return std::nullopt;
    });
}

// Writes the 256 colours the swatches show, picks not yet applied included.
void frmPallet::cmdSave_Click()
{
    withPaletteFile(true, [this](const std::string& name) -> std::optional<std::string> {
        PaletteColours colours;
        colours.count = PaletteEntries;
        for (std::size_t k = 0; k < PaletteEntries; ++k) {
            const std::int32_t c = lblPallet[k]->colour();
            colours.rgb[3 * k] = redOf(c);
            colours.rgb[3 * k + 1] = greenOf(c);
            colours.rgb[3 * k + 2] = blueOf(c);
        }
        if (auto saved = savePaletteFile(name, colours); !saved)
            return cannotSave(saved.error());
        return std::nullopt;
    });
}

} // namespace vtt
