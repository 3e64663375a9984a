#include "operations/frmSwitchRGBA.h"

namespace vtt {

frmSwitchRGBA::frmSwitchRGBA(ImageDocument& doc, std::function<void()> redraw, QWidget* parent)
    : QWidget(parent), doc_(doc), redraw_(std::move(redraw))
{
    setObjectName(QStringLiteral("frmSwitchRGBA"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Switch RGBA Channel"));
}

} // namespace vtt
