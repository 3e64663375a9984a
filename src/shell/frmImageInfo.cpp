#include "shell/frmImageInfo.h"

#include "shell/Pictures.h"
#include "widgets/DialogKeys.h"
#include "widgets/Twips.h"

#include <QFormLayout>
#include <QLabel>

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
        shown->setAccessibleName(QString::fromStdString(label));
        form_->addRow(QString::fromStdString(label) + QLatin1Char(':'), shown);
    }
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
