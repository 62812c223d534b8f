#pragma once

#include <QImage>
#include <QRectF>

namespace quenta {

// A picture and the rectangle it occupies.
class PatternInfo {
public:
    PatternInfo(QImage image, const QRectF& bounds) : m_image(std::move(image)), m_bounds(bounds) {}

    const QImage& image() const { return m_image; }
    void setImage(const QImage& image) { m_image = image; }
    const QRectF& bounds() const { return m_bounds; }
    void setBounds(const QRectF& bounds) { m_bounds = bounds; }

private:
    QImage m_image;
    QRectF m_bounds;
};

} // namespace quenta
