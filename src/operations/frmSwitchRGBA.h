#pragma once

#include "document/ImageDocument.h"

#include <QWidget>

#include <functional>

namespace vtt {

// The channel switch dialog. Deletes itself when closed (Cancel or the
// close box); OK only hides it.
class frmSwitchRGBA : public QWidget {
    Q_OBJECT
public:
    frmSwitchRGBA(ImageDocument& doc, std::function<void()> redraw, QWidget* parent = nullptr);

private:
    ImageDocument& doc_;
    std::function<void()> redraw_;
};

} // namespace vtt
