#pragma once

#include <QWidget>

namespace vtt {

// The "Image Information" window: designed, but empty, and no command opens it.
class frmImageInfo : public QWidget {
    Q_OBJECT
public:
    explicit frmImageInfo(QWidget* parent = nullptr);
};

} // namespace vtt
