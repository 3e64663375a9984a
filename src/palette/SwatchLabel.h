#pragma once

#include <QLabel>

#include <cstdint>

namespace vtt {

// One swatch of the palette window: a caption-less label whose only state is
// its fill colour, held as a colour value. Clicking it reports its index.
class SwatchLabel : public QLabel {
    Q_OBJECT
public:
    SwatchLabel(int index, QWidget* parent);

    int index() const { return index_; }
    std::int32_t colour() const { return colour_; }
    // Anything above the blue byte is dropped, so the colour read back always
    // splits into exactly the three bytes it was made of.
    void setColour(std::int32_t colour);

signals:
    void clicked(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int index_;
    std::int32_t colour_ = 0;
    bool pressed_ = false;
};

} // namespace vtt
