#pragma once

#include "document/ImageDocument.h"
#include "view/Render.h"
#include "view/ViewTransform.h"

#include <QFrame>
#include <QImage>

#include <cstddef>
#include <cstdint>
#include <optional>

class QWheelEvent;

namespace vtt {

// The picture area `picImage`. It keeps no copy of the image: it points at
// the document it last drew and paints the visible part from the document's
// arrays whenever the platform asks, so covering and tab switches lose
// nothing. Until the next redraw after a clear it shows nothing.
//
// The user moves the view with the mouse (drag, wheel, Shift+wheel,
// Ctrl+wheel to zoom at the pointer) and, with the focus, the keys: arrows
// (its own actions, "Pan Left" and so on), + and - to zoom, F to fit the
// whole image, 1 for 1:1 at the top-left. Opening a document gives it the
// focus, so the keys act at once.
//
// Below 1:1 the picture shows area means from half-size levels, built
// once per document shown, at the first paint that needs them.
class PictureArea : public QFrame {
    Q_OBJECT
public:
    explicit PictureArea(QWidget* parent = nullptr);

    // Shows nothing until the next draw.
    void clearPicture();
    // The redraw: shows `doc` with the current pan and zoom.
    void drawDocument(const ImageDocument& doc);
    // A new document was opened: 1:1 from its top-left pixel, then drawn.
    void documentOpened(const ImageDocument& doc);
    // Shows `doc` (another mip level of the same image) with the same pan,
    // zoom and channels; `readoutName` starts the hover readout ("" for
    // none).
    void showLevel(const ImageDocument& doc, const QString& readoutName);

    void setChannelMode(ChannelMode mode);
    ChannelMode channelMode() const { return mode_; }
    // After F the picture keeps fitting as the area changes, until the
    // next pan or zoom.
    bool fitting() const { return fitting_; }

    void zoomIn();
    void zoomOut();
    void fitToArea();
    void actualSize();
    const ViewTransform& view() const { return view_; }

    // The colour value shown at picture pixel (x, y), or -1 outside the
    // picture; rendered on demand, as a paint would.
    std::int32_t pixelAt(int x, int y) const;
    // The whole visible picture, rendered on demand.
    QImage visiblePicture() const;
    // What hovering at picture pixel (x, y) tells; empty outside the image.
    QString pixelText(int x, int y) const;
    // The same for the pixel under the pointer, without the level's name.
    QString pointerText() const;

signals:
    // The document, level, zoom, pan or channels shown changed.
    void viewChanged();
    // The pointer moved over the picture, or left it.
    void pointerMoved();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    // Runs `change` on the view; any change but a redraw or a resize ends
    // fit mode.
    template <typename Change>
    void changeView(Change change, bool keepsFit = false);
    // Renders picture pixels `part` to `into`, rows `stride` words apart.
    void render(std::uint32_t* into, std::ptrdiff_t stride, QRect part) const;
    void turnWheel(const QWheelEvent* event);
    QPoint pictureOf(QPointF widgetPos) const;
    void showPixelText(QPoint widgetPos, QPoint globalPos);
    QString describePixel(int x, int y) const;
    // A new document or level: its half-size levels are built anew.
    void showDocument(const ImageDocument& doc, const QString& readoutName);

    const ImageDocument* doc_ = nullptr; // null: nothing shown
    ViewTransform view_;
    ChannelMode mode_ = ChannelMode::Colour;
    bool fitting_ = false;
    QString readoutName_;
    QImage buffer_; // the visible part only, reused by every paint
    bool dragging_ = false;
    QPoint dragFrom_;
    int zoomWheel_ = 0; // wheel angle not yet turned into a zoom step
    std::optional<QPoint> pointer_; // picture pixel under the pointer
    mutable ViewPyramid pyramid_;
    mutable bool pyramidBuilt_ = false;
};

} // namespace vtt
