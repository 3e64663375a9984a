#include "shell/frmOptions.h"

#include "files/DocumentSession.h"
#include "platform/Platform.h"
#include "shell/Pictures.h"
#include "widgets/Twips.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

namespace vtt {

namespace {

constexpr int ClientWidth = 4680;
constexpr int ClientHeight = 3195;

const QString MipFilterKey = QStringLiteral("options/mipFilter");
const QString DitherKey = QStringLiteral("options/dither");
const QString UndoKey = QStringLiteral("options/undoMemoryMiB");

// Stored as words, so a settings file stays readable and a reordered list
// cannot change what it means.
const char* mipFilterWord(mip::MipFilter f) { return f == mip::MipFilter::LinearLight ? "linear" : "box"; }
const char* ditherWord(quantize::Dither d) { return d == quantize::Dither::FloydSteinberg ? "fs" : "none"; }

QLabel* label(QWidget* parent, const char* name, const QString& text, QWidget* buddy, QRect place)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setBuddy(buddy);
    l->setGeometry(place);
    return l;
}

template <class W>
W* control(QWidget* parent, const char* name, const QString& accessible, QRect place)
{
    auto* w = new W(parent);
    w->setObjectName(QString::fromLatin1(name));
    w->setAccessibleName(accessible);
    w->setGeometry(place);
    return w;
}

} // namespace

ToolOptions loadOptions(const Platform& platform)
{
    ToolOptions o;
    if (platform.setting(MipFilterKey).toString() == QLatin1String("linear"))
        o.mipFilter = mip::MipFilter::LinearLight;
    if (platform.setting(DitherKey).toString() == QLatin1String("fs"))
        o.dither = quantize::Dither::FloydSteinberg;
    bool ok = false;
    const int mib = platform.setting(UndoKey).toInt(&ok);
    if (ok && mib >= 1 && mib <= ToolOptions::LargestUndoMiB)
        o.undoMiB = mib;
    return o;
}

void storeOptions(Platform& platform, const ToolOptions& options)
{
    platform.setSetting(MipFilterKey, QString::fromLatin1(mipFilterWord(options.mipFilter)));
    storeDither(platform, options.dither);
    platform.setSetting(UndoKey, options.undoMiB);
}

void storeDither(Platform& platform, quantize::Dither dither)
{
    platform.setSetting(DitherKey, QString::fromLatin1(ditherWord(dither)));
}

void applyOptions(DocumentSession& session, const ToolOptions& options)
{
    session.history().setBound(std::size_t(options.undoMiB) << 20);
}

frmOptions::frmOptions(Platform& platform, std::function<void(const ToolOptions&)> apply, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                          | Qt::WindowCloseButtonHint),
      platform_(platform), apply_(std::move(apply))
{
    setObjectName(QStringLiteral("frmOptions"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Options"));
    setWindowIcon(programIcon());
    resize(twips(ClientWidth), twips(ClientHeight));
    // Grown from the design's empty window, in its manner: fixed places.
    setSizeGripEnabled(false);

    cboMipFilter = control<QComboBox>(this, "cboMipFilter", QStringLiteral("Mip levels"), twipsRect(1800, 120, 2760, 315));
    cboMipFilter->addItems({QStringLiteral("Box in stored values"), QStringLiteral("Linear light")});
    label(this, "lblMipFilter", QStringLiteral("&Mip levels:"), cboMipFilter, twipsRect(120, 150, 1620, 255));

    cboDither = control<QComboBox>(this, "cboDither", QStringLiteral("Dithering"), twipsRect(1800, 540, 2760, 315));
    cboDither->addItems({QStringLiteral("None"), QString::fromUtf8("Floyd\u2013Steinberg")});
    label(this, "lblDither", QStringLiteral("&Dithering:"), cboDither, twipsRect(120, 570, 1620, 255));

    spnUndoMemory =
        control<QSpinBox>(this, "spnUndoMemory", QStringLiteral("Undo memory in MiB"), twipsRect(1800, 960, 1335, 315));
    spnUndoMemory->setRange(1, ToolOptions::LargestUndoMiB);
    spnUndoMemory->setSuffix(QStringLiteral(" MiB"));
    label(this, "lblUndoMemory", QStringLiteral("&Undo memory:"), spnUndoMemory, twipsRect(120, 990, 1620, 255));

    auto* note = label(this, "lblOptionsNote",
                       QStringLiteral("Linear light keeps thin detail and cut-out edges in smaller mip levels; box "
                                      "in stored values writes what earlier files hold. The undo memory bounds "
                                      "what Undo keeps; the oldest steps go first."),
                       nullptr, twipsRect(120, 1440, 4440, 1080));
    note->setWordWrap(true);
    note->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    cmdOK = control<QPushButton>(this, "cmdOK", QStringLiteral("OK"), twipsRect(1920, 2640, 1215, 375));
    cmdOK->setText(QStringLiteral("OK"));
    cmdOK->setDefault(true); // Enter; Esc is the dialog's own Cancel
    cmdCancel = control<QPushButton>(this, "cmdCancel", QStringLiteral("Cancel"), twipsRect(3300, 2640, 1215, 375));
    cmdCancel->setText(QStringLiteral("Cancel"));
    setTabOrder(cboMipFilter, cboDither);
    setTabOrder(cboDither, spnUndoMemory);
    setTabOrder(spnUndoMemory, cmdOK);
    setTabOrder(cmdOK, cmdCancel);

    const ToolOptions stored = loadOptions(platform_);
    cboMipFilter->setCurrentIndex(stored.mipFilter == mip::MipFilter::LinearLight ? 1 : 0);
    cboDither->setCurrentIndex(stored.dither == quantize::Dither::FloydSteinberg ? 1 : 0);
    spnUndoMemory->setValue(stored.undoMiB);

    connect(cmdOK, &QPushButton::clicked, this, &frmOptions::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmOptions::cmdCancel_Click);
}

ToolOptions frmOptions::chosen() const
{
    ToolOptions o;
    o.mipFilter = cboMipFilter->currentIndex() == 1 ? mip::MipFilter::LinearLight : mip::MipFilter::BoxStored;
    o.dither = cboDither->currentIndex() == 1 ? quantize::Dither::FloydSteinberg : quantize::Dither::None;
    o.undoMiB = spnUndoMemory->value();
    return o;
}

void frmOptions::cmdOK_Click()
{
    // A value still being typed in the box counts as typed.
    spnUndoMemory->interpretText();
    const ToolOptions o = chosen();
    storeOptions(platform_, o);
    const auto apply = apply_;
    accept();
    if (apply)
        apply(o);
}

void frmOptions::cmdCancel_Click() { reject(); }

void showOptions(QWidget* parent, Platform& platform, DocumentSession& session)
{
    auto* dialog = new frmOptions(platform, [&session](const ToolOptions& o) { applyOptions(session, o); }, parent);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->open();
}

} // namespace vtt
