#include "shell/ModeDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace vtt {

namespace {

template <class W>
W* named(W* widget, const char* name, const QString& accessible)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setAccessibleName(accessible);
    return widget;
}

// A form row whose label gives the control its access key.
void addRow(QFormLayout* form, const char* name, const QString& caption, QWidget* field)
{
    auto* label = new QLabel(caption, field->parentWidget());
    label->setObjectName(QString::fromLatin1(name));
    label->setBuddy(field);
    form->addRow(label, field);
}

// OK (the default button, so Enter) and Cancel (also Esc).
QDialogButtonBox* okCancel(QDialog* dialog)
{
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    box->setObjectName(QStringLiteral("cmdButtons"));
    named(box->button(QDialogButtonBox::Ok), "cmdOK", QStringLiteral("OK"))->setDefault(true);
    named(box->button(QDialogButtonBox::Cancel), "cmdCancel", QStringLiteral("Cancel"));
    QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return box;
}

QComboBox* ditherBox(QWidget* parent, quantize::Dither dither)
{
    auto* box = named(new QComboBox(parent), "cboDither", QStringLiteral("Dithering"));
    box->addItems({QStringLiteral("None"), QString::fromUtf8("Floyd\u2013Steinberg")});
    box->setCurrentIndex(dither == quantize::Dither::FloydSteinberg ? 1 : 0);
    return box;
}

// A box's whole number; none for an empty box or anything else.
std::optional<long> sideIn(const QLineEdit* box)
{
    bool ok = false;
    const long value = box->text().trimmed().toLong(&ok);
    return ok ? std::optional<long>(value) : std::nullopt;
}

// No box takes more digits than this, so every product below fits.
constexpr int MostDigits = 9;
constexpr long LargestTyped = 999'999'999;

} // namespace

frmIndexed::frmIndexed(const QString& title, int largest, quantize::Dither dither, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmIndexed"));
    setWindowTitle(title);
    spnColours = named(new QSpinBox(this), "spnColours", QStringLiteral("Number of colours"));
    spnColours->setRange(2, std::clamp(largest, 2, 256));
    spnColours->setValue(spnColours->maximum());
    cboDither = ditherBox(this, dither);
    chkAlpha = named(new QCheckBox(QStringLiteral("&Alpha in the palette"), this), "chkAlpha",
                     QStringLiteral("Alpha in the palette"));
    chkAlpha->setChecked(true);
    auto* form = new QFormLayout;
    addRow(form, "lblColours", QStringLiteral("Number of &colours:"), spnColours);
    addRow(form, "lblDither", QStringLiteral("&Dithering:"), cboDither);
    form->addRow(chkAlpha);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(okCancel(this));
}

quantize::Options frmIndexed::chosen() const
{
    quantize::Options o;
    o.colours = spnColours->value();
    o.dither = cboDither->currentIndex() == 1 ? quantize::Dither::FloydSteinberg : quantize::Dither::None;
    o.alphaInPalette = chkAlpha->isChecked();
    return o;
}

frmScaleImage::frmScaleImage(int width, int height, bool indexed, QWidget* parent)
    : QDialog(parent), width_(std::max(width, 1)), height_(std::max(height, 1))
{
    setObjectName(QStringLiteral("frmScaleImage"));
    setWindowTitle(QStringLiteral("Scale Image"));
    const auto sizeBox = [this](const char* name, const QString& accessible, int value) {
        auto* box = named(new QLineEdit(QString::number(value), this), name, accessible);
        box->setValidator(new QRegularExpressionValidator(
            QRegularExpression(QStringLiteral("[0-9]{0,%1}").arg(MostDigits)), box));
        connect(box, &QLineEdit::textEdited, this, [this, box] { followAspect(box); });
        return box;
    };
    txtWidth = sizeBox("txtWidth", QStringLiteral("Width in pixels"), width_);
    txtHeight = sizeBox("txtHeight", QStringLiteral("Height in pixels"), height_);
    chkKeepAspect = named(new QCheckBox(QStringLiteral("&Keep aspect ratio"), this), "chkKeepAspect",
                          QStringLiteral("Keep aspect ratio"));
    chkKeepAspect->setChecked(true);
    auto* up = named(new QPushButton(QStringLiteral("&Next power of two"), this), "cmdNextPowerOfTwo",
                     QStringLiteral("Next power of two"));
    auto* down = named(new QPushButton(QStringLiteral("&Previous power of two"), this), "cmdPreviousPowerOfTwo",
                       QStringLiteral("Previous power of two"));
    // Only OK is pressed by Enter.
    up->setAutoDefault(false);
    down->setAutoDefault(false);
    connect(up, &QPushButton::clicked, this, [this] { powersOfTwo(true); });
    connect(down, &QPushButton::clicked, this, [this] { powersOfTwo(false); });
    cboFilter = named(new QComboBox(this), "cboFilter", QStringLiteral("Filter"));
    cboFilter->addItems({QStringLiteral("Box"), QStringLiteral("Triangle"), QStringLiteral("Catmull-Rom"),
                         QStringLiteral("Mitchell")});
    cboFilter->setCurrentIndex(static_cast<int>(resample::DefaultFilter));
    cboFilter->setEnabled(!indexed);

    auto* form = new QFormLayout;
    addRow(form, "lblWidth", QStringLiteral("&Width:"), txtWidth);
    addRow(form, "lblHeight", QStringLiteral("&Height:"), txtHeight);
    form->addRow(chkKeepAspect);
    auto* powers = new QHBoxLayout;
    powers->addWidget(up);
    powers->addWidget(down);
    form->addRow(powers);
    addRow(form, "lblFilter", QStringLiteral("&Filter:"), cboFilter);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    if (indexed) {
        auto* note = named(new QLabel(QStringLiteral("Indexed images are scaled by nearest neighbour, so the "
                                                     "palette stays exact."),
                                      this),
                           "lblNearest", QStringLiteral("Nearest neighbour"));
        note->setWordWrap(true);
        layout->addWidget(note);
    }
    lblProblem = named(new QLabel(this), "lblProblem", QStringLiteral("Problem"));
    lblProblem->setWordWrap(true);
    layout->addWidget(lblProblem);
    QDialogButtonBox* buttons = okCancel(this);
    cmdOK = buttons->button(QDialogButtonBox::Ok);
    layout->addWidget(buttons);
    connect(txtWidth, &QLineEdit::textChanged, this, &frmScaleImage::check);
    connect(txtHeight, &QLineEdit::textChanged, this, &frmScaleImage::check);
    check();
}

std::optional<ScaleChoice> frmScaleImage::chosen() const
{
    const auto w = sideIn(txtWidth), h = sideIn(txtHeight);
    if (!w || !h || !resample::checkSize(*w, *h))
        return std::nullopt;
    return ScaleChoice{int(*w), int(*h), static_cast<resample::Filter>(cboFilter->currentIndex())};
}

void frmScaleImage::followAspect(QLineEdit* edited)
{
    const auto typed = sideIn(edited);
    if (!chkKeepAspect->isChecked() || !typed)
        return;
    const bool wide = edited == txtWidth;
    const double ratio = wide ? double(height_) / width_ : double(width_) / height_;
    const long other = std::clamp(std::lround(double(*typed) * ratio), 1L, LargestTyped);
    (wide ? txtHeight : txtWidth)->setText(QString::number(other));
}

// Each side to its own power of two, from what the box holds (the image's
// side while it holds no number): a texture's sides need not be equal.
void frmScaleImage::powersOfTwo(bool up)
{
    for (auto [box, original] : {std::pair{txtWidth, width_}, std::pair{txtHeight, height_}}) {
        const long side = std::min(sideIn(box).value_or(original), long(resample::MaxSide));
        box->setText(QString::number(up ? resample::nextPowerOfTwo(int(side)) : resample::previousPowerOfTwo(int(side))));
    }
}

void frmScaleImage::check()
{
    QString problem;
    const auto w = sideIn(txtWidth), h = sideIn(txtHeight);
    if (!w)
        problem = QStringLiteral("The width must be a whole number of pixels.");
    else if (!h)
        problem = QStringLiteral("The height must be a whole number of pixels.");
    else if (const auto fits = resample::checkSize(*w, *h); !fits)
        problem = QStringLiteral("Cannot scale to this: %1.").arg(QString::fromStdString(fits.error().detail));
    lblProblem->setText(problem);
    lblProblem->setVisible(!problem.isEmpty());
    cmdOK->setEnabled(problem.isEmpty());
}

} // namespace vtt
