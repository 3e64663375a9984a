#pragma once

#include "document/Resample.h"
#include "operations/Quantize.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace vtt {

// Image > Mode > Indexed: how many colours (2 up to `largest`, 256 or 16),
// the dithering and whether alpha goes into the palette. Enter is OK, Esc
// Cancel.
class frmIndexed : public QDialog {
    Q_OBJECT
public:
    frmIndexed(const QString& title, int largest, quantize::Dither dither, QWidget* parent = nullptr);
    quantize::Options chosen() const;

private:
    QSpinBox* spnColours = nullptr;
    QComboBox* cboDither = nullptr;
    QCheckBox* chkAlpha = nullptr;
};

// What Image > Scale Image asks for.
struct ScaleChoice {
    int width = 0;
    int height = 0;
    resample::Filter filter = resample::DefaultFilter;
};

// Image > Scale Image: width and height, kept in the image's proportions
// while "Keep aspect ratio" is checked, the powers of two around them, and
// the filter. An indexed image is scaled by nearest neighbour, which the
// dialog says; it has no filter to choose. OK is disabled, with the reason
// shown, while the boxes do not hold a size a texture can have.
class frmScaleImage : public QDialog {
    Q_OBJECT
public:
    frmScaleImage(int width, int height, bool indexed, QWidget* parent = nullptr);
    // The size and filter asked for; none while the boxes hold no size.
    std::optional<ScaleChoice> chosen() const;

private:
    // Keeps the other box in proportion after the user typed in `edited`.
    void followAspect(QLineEdit* edited);
    void powersOfTwo(bool up);
    void check();

    int width_, height_;
    QLineEdit* txtWidth = nullptr;
    QLineEdit* txtHeight = nullptr;
    QCheckBox* chkKeepAspect = nullptr;
    QComboBox* cboFilter = nullptr;
    QLabel* lblProblem = nullptr;
    QPushButton* cmdOK = nullptr;
};

} // namespace vtt
