#include "palette/frmPallet.h"

namespace vtt {

frmPallet::frmPallet(ImageDocument& doc, Platform& platform, QWidget* parent)
    : QWidget(parent), doc_(doc), platform_(platform)
{
    setObjectName(QStringLiteral("frmPallet"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Pallet"));
}

} // namespace vtt
