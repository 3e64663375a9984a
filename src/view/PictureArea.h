#pragma once

#include "document/ImageDocument.h"

#include <QFrame>
#include <QImage>

#include <cstdint>

namespace vtt {

// The picture area `picImage`. What is drawn lives in an off-screen image,
// so it survives being covered or a tab switch, and stays until the next
// clear; it never redraws the document on its own.
class PictureArea : public QFrame {
    Q_OBJECT
public:
    explicit PictureArea(QWidget* parent = nullptr);

    void clearPicture();
    void setPixel(int x, int y, std::int32_t colour);
    // Clears, then draws the whole document (the visible part of it).
    void drawDocument(const ImageDocument& doc);

    // The colour value shown at (x, y), or -1 outside the picture.
    std::int32_t pixelAt(int x, int y) const;
    const QImage& canvas() const { return canvas_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QImage canvas_;
};

} // namespace vtt
