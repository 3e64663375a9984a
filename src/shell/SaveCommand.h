#pragma once

#include "document/ImageDocument.h"
#include "platform/Platform.h"

#include <QString>

class QWidget;

namespace vtt {

// The header panel's editable boxes as they stand when Save is chosen.
struct HeaderPanelTexts {
    QString mips;
    QString unknown;
    QString bits;
};

// The whole Save command: dialog, conversion, whole-file write, messages.
// True only when the file was written.
bool saveDocument(ImageDocument& doc, Platform& platform, QWidget* parent, const HeaderPanelTexts& panel);

} // namespace vtt
