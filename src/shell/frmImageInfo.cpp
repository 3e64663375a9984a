#include "shell/frmImageInfo.h"

#include "shell/Pictures.h"
#include "widgets/Twips.h"

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
}

} // namespace vtt
