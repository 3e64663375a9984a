#pragma once

#include "document/ImageDocument.h"
#include "platform/Platform.h"

#include <QWidget>

namespace vtt {

// The palette window. Deletes itself when closed (Cancel or the close box).
class frmPallet : public QWidget {
    Q_OBJECT
public:
    frmPallet(ImageDocument& doc, Platform& platform, QWidget* parent = nullptr);

private:
    ImageDocument& doc_;
    Platform& platform_;
};

} // namespace vtt
