#include "shell/HeaderPanel.h"

#include "codecs/SaveConversion.h"
#include "files/FileCommands.h"

#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalBlocker>

#include <algorithm>

namespace vtt {

namespace {

constexpr int ArrowsTop = 10; // the design's top of the Mips arrows

} // namespace

HeaderPanel::HeaderPanel(const MainControls& controls, std::function<void(bool)> changed, QObject* parent)
    : QObject(parent), c_(controls), changed_(std::move(changed)), unchanged_(texts())
{
    // The arrows count on from the number in the box, whoever put it there.
    // The bar holds the negated count (see buildClientArea); a count above
    // the design's top widens the bar's range so the arrows still step it.
    const auto followBox = [this](const QString& text) {
        bool number = false;
        const int count = text.trimmed().toInt(&number);
        const QSignalBlocker quiet(c_.VScroll1);
        c_.VScroll1->setMinimum(-std::max(ArrowsTop, number ? count : 0));
        c_.VScroll1->setValue(number ? -std::clamp(count, 0, 32767) : 0);
    };
    connect(c_.txtMips, &QLineEdit::textChanged, this, followBox);
    followBox(c_.txtMips->text());
    for (QLineEdit* box : {c_.txtMips, c_.txtUnknown, c_.txtBits})
        connect(box, &QLineEdit::textChanged, this, [this] { boxEdited(); });
}

void HeaderPanel::showDocument(const ImageDocument& doc)
{
    if (doc.empty()) {
        c_.lblWidth->setText(QStringLiteral("Width:"));
        c_.lblHeight->setText(QStringLiteral("Height:"));
        c_.lblType->setText(QStringLiteral("Type:"));
        return;
    }
    // The type depends on the image alone; boxes that do not parse (which a
    // TEX save refuses) cannot change it.
    const HeaderPanelTexts t = texts();
    const auto panel = parseTexPanel(t.mips.toStdString(), t.unknown.toStdString(), t.bits.toStdString());
    const SaveChanges asTex = texSaveChanges(doc, panel ? *panel : TexPanelValues{});
    c_.lblWidth->setText(QStringLiteral("Width: %1").arg(doc.ImageWidth()));
    c_.lblHeight->setText(QStringLiteral("Height: %1").arg(doc.ImageHeight()));
    c_.lblType->setText(QStringLiteral("Type: %1").arg(asTex.Tex.Type));
}

void HeaderPanel::showFileFields(const ImageDocument& doc)
{
    unchanged_ = {QString::number(doc.Facts.Tex.MipCount), QString::number(doc.Facts.Tex.Unknown),
                  QString::number(doc.Facts.Tex.Bits)};
    c_.txtMips->setText(unchanged_.mips);
    c_.txtUnknown->setText(unchanged_.unknown);
    c_.txtBits->setText(unchanged_.bits);
    boxEdited();
}

void HeaderPanel::markUnchanged()
{
    unchanged_ = texts();
    boxEdited();
}

HeaderPanelTexts HeaderPanel::texts() const
{
    return {c_.txtMips->text(), c_.txtUnknown->text(), c_.txtBits->text()};
}

void HeaderPanel::boxEdited()
{
    const HeaderPanelTexts now = texts();
    changed_(now.mips != unchanged_.mips || now.unknown != unchanged_.unknown || now.bits != unchanged_.bits);
}

} // namespace vtt
