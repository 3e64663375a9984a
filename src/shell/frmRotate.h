#pragma once

#include <QWidget>

#include <functional>

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace vtt {

// The rotate dialog: a choice of degrees and of direction. OK hands the
// choice on as clockwise degrees (90, 180 or 270) and closes the dialog;
// Cancel only closes it. Closing destroys it.
class frmRotate : public QWidget {
    Q_OBJECT
public:
    explicit frmRotate(QWidget* parent = nullptr, std::function<void(int clockwise)> rotate = {});

public slots:
    void cmdOK_Click();
    void cmdCancel_Click();

private:
    std::function<void(int)> rotate_;
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
