#include "shell/frmImageInfo.h"

#include "shell/Pictures.h"
#include "widgets/DialogKeys.h"
#include "widgets/Twips.h"

#include <QFormLayout>
#include <QLabel>
#include <QScreen>

#include <algorithm>

namespace vtt {

namespace {

constexpr int ClientWidth = 4680;
constexpr int ClientHeight = 3195;

} // namespace

frmImageInfo::frmImageInfo(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                          | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmImageInfo"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Image Information"));
    setWindowIcon(programIcon());
    resize(twips(ClientWidth), twips(ClientHeight));
    bindDialogKeys(this, nullptr, nullptr); // Esc closes it
}

} // namespace vtt

namespace vtt {

void frmImageInfo::showFacts(const FactLines& facts)
{
    if (!form_) {
        form_ = new QFormLayout(this);
        form_->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    }
    while (form_->rowCount() > 0)
        form_->removeRow(0);
    for (const auto& [label, value] : facts) {
        auto* shown = new QLabel(QString::fromStdString(value), this);
        shown->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        shown->setWordWrap(true);
        // Read out as a pair: a value alone says nothing.
        shown->setAccessibleName(QString::fromStdString(label + ": " + value));
        shown->setAccessibleDescription(QString::fromStdString(label));
        form_->addRow(QString::fromStdString(label) + QLatin1Char(':'), shown);
    }
    fitContent();
}

// Wide enough for the longest value up to half the screen, and as tall as
// the values then need: no value is cut, and the window cannot be made
// smaller than that.
void frmImageInfo::fitContent()
{
    const QScreen* screen = this->screen();
    const int widest = screen ? screen->availableGeometry().width() / 2 : 640;
    // A wrapping label asks for less than its line; each value's own line
    // is what the window should make room for.
    int labels = 0, values = 0;
    for (int row = 0; row < form_->rowCount(); ++row) {
        const QWidget* label = form_->itemAt(row, QFormLayout::LabelRole)->widget();
        const auto* value = qobject_cast<const QLabel*>(form_->itemAt(row, QFormLayout::FieldRole)->widget());
        labels = std::max(labels, label->sizeHint().width());
        values = std::max(values, value->fontMetrics().horizontalAdvance(value->text()) + 2 * value->margin());
    }
    const QMargins m = contentsMargins() + form_->contentsMargins();
    const int natural = m.left() + labels + form_->horizontalSpacing() + values + m.right() + 1;
    form_->activate();
    const int width = std::clamp(natural, twips(ClientWidth), std::max(widest, twips(ClientWidth)));
    const int height = form_->hasHeightForWidth() ? form_->totalHeightForWidth(width) : form_->totalSizeHint().height();
    setMinimumSize(width, height);
    resize(std::max(this->width(), width), std::max(this->height(), height));
}

QStringList frmImageInfo::shownFacts() const
{
    QStringList lines;
    for (int row = 0; form_ && row < form_->rowCount(); ++row) {
        auto* label = qobject_cast<QLabel*>(form_->itemAt(row, QFormLayout::LabelRole)->widget());
        auto* value = qobject_cast<QLabel*>(form_->itemAt(row, QFormLayout::FieldRole)->widget());
        lines << label->text() + QLatin1Char(' ') + value->text();
    }
    return lines;
}

} // namespace vtt
