#pragma once

#include <QWidget>

namespace vtt {

// The "Options" window: designed, but empty, and no command opens it.
class frmOptions : public QWidget {
    Q_OBJECT
public:
    explicit frmOptions(QWidget* parent = nullptr);
};

} // namespace vtt
