#pragma once

#include <QWidget>

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace vtt {

// The rotate dialog: a choice of degrees and of direction. No command opens
// it; Cancel closes (and destroys) it, and nothing else has an action.
class frmRotate : public QWidget {
    Q_OBJECT
public:
    explicit frmRotate(QWidget* parent = nullptr);

public slots:
    void cmdCancel_Click();

private:
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdOK = nullptr;
    QGroupBox* Frame2 = nullptr;
    QRadioButton* opt270 = nullptr;
    QRadioButton* opt180 = nullptr;
    QRadioButton* opt90 = nullptr;
    QLabel* Label1 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QRadioButton* opyLeft = nullptr;
    QRadioButton* optRight = nullptr;
};

} // namespace vtt
