#pragma once

#include <algorithm>
#include <cmath>

namespace vtt {

// Where the image sits in the picture area: a scale (picture pixels per
// image pixel) and the image point shown at the picture's top-left corner.
// Picture coordinates are pixels of the picture area, image coordinates
// pixels of the image; both have x to the right and y downwards.
//
// Every change keeps the image from being lost: an image larger than the
// area always fills it, and a smaller one stays wholly inside it.
class ViewTransform {
public:
    static constexpr double MinZoom = 1.0 / 16;
    static constexpr double MaxZoom = 32;

    void setViewport(int width, int height)
    {
        viewWidth_ = std::max(width, 0);
        viewHeight_ = std::max(height, 0);
        clamp();
    }

    // A new image size keeps scale and origin as far as the limits allow.
    void setImage(int width, int height)
    {
        imageWidth_ = std::max(width, 0);
        imageHeight_ = std::max(height, 0);
        clamp();
    }

    // 1:1 with the image's top-left pixel at the picture's top-left corner.
    void reset()
    {
        scale_ = 1;
        originX_ = originY_ = 0;
        clamp();
    }

    // The largest scale at which the whole image is visible, centred. It
    // may lie outside the zoom steps: a 4096-pixel side needs less than 1/16.
    void fit()
    {
        if (imageWidth_ == 0 || imageHeight_ == 0 || viewWidth_ == 0 || viewHeight_ == 0)
            return;
        scale_ = std::min(double(viewWidth_) / imageWidth_, double(viewHeight_) / imageHeight_);
        originX_ = (imageWidth_ - viewWidth_ / scale_) / 2;
        originY_ = (imageHeight_ - viewHeight_ / scale_) / 2;
        clamp();
    }

    // One power-of-two step in (+1) or out (-1), keeping the image point
    // under picture point (x, y) where it is. From a scale between steps
    // (after fit) the step goes to the neighbouring power of two.
    void zoomStep(int direction, double x, double y)
    {
        const double exponent = std::log2(scale_);
        double target = direction > 0 ? std::exp2(std::floor(exponent + Tolerance) + 1)
                                      : std::exp2(std::ceil(exponent - Tolerance) - 1);
        target = std::clamp(target, MinZoom, MaxZoom);
        if (direction > 0 ? target > scale_ : target < scale_)
            zoomAround(target, x, y);
    }

    void zoomAround(double scale, double x, double y)
    {
        if (!(scale > 0))
            return;
        const double imageX = imageXAt(x), imageY = imageYAt(y);
        scale_ = scale;
        originX_ = imageX - x / scale_;
        originY_ = imageY - y / scale_;
        clamp();
    }

    // Moves the image by (dx, dy) picture pixels, as a drag does.
    void panBy(double dx, double dy)
    {
        originX_ -= dx / scale_;
        originY_ -= dy / scale_;
        clamp();
    }

    double scale() const { return scale_; }
    double originX() const { return originX_; }
    double originY() const { return originY_; }
    int viewWidth() const { return viewWidth_; }
    int viewHeight() const { return viewHeight_; }

    double imageXAt(double x) const { return originX_ + x / scale_; }
    double imageYAt(double y) const { return originY_ + y / scale_; }
    double pictureXOf(double imageX) const { return (imageX - originX_) * scale_; }
    double pictureYOf(double imageY) const { return (imageY - originY_) * scale_; }

    // The image column and row that picture pixel (x, y) shows: the one
    // under the pixel's centre, so drawing and pointing agree. May lie
    // outside the image.
    int columnAt(int x) const { return static_cast<int>(std::floor(imageXAt(x + 0.5))); }
    int rowAt(int y) const { return static_cast<int>(std::floor(imageYAt(y + 0.5))); }

private:
    static constexpr double Tolerance = 1e-9;

    static double clampAxis(double origin, int image, int view, double scale)
    {
        if (image == 0)
            return 0;
        const double slack = image - view / scale; // > 0: the image is larger than the area
        return std::clamp(origin, std::min(0.0, slack), std::max(0.0, slack));
    }

    void clamp()
    {
        originX_ = clampAxis(originX_, imageWidth_, viewWidth_, scale_);
        originY_ = clampAxis(originY_, imageHeight_, viewHeight_, scale_);
    }

    int viewWidth_ = 0, viewHeight_ = 0;
    int imageWidth_ = 0, imageHeight_ = 0;
    double scale_ = 1;
    double originX_ = 0, originY_ = 0;
};

} // namespace vtt
