#include "shell/SaveCommand.h"

namespace vtt {

void saveDocument(ImageDocument&, Platform& platform, QWidget*, const HeaderPanelTexts&)
{
    platform.showSave(nullptr);
}

} // namespace vtt
