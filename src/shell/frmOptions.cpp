#include "shell/frmOptions.h"

#include "shell/Pictures.h"
#include "widgets/DialogKeys.h"
#include "widgets/Twips.h"

namespace vtt {

namespace {

constexpr int ClientWidth = 4680;
constexpr int ClientHeight = 3195;

} // namespace

frmOptions::frmOptions(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                          | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmOptions"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Options"));
    setWindowIcon(programIcon());
    resize(twips(ClientWidth), twips(ClientHeight));
    bindDialogKeys(this, nullptr, nullptr); // Esc closes it
}

} // namespace vtt
