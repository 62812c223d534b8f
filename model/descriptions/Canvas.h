#pragma once

#include "model/texts/LocalizedStringTable.h"
#include "model/units/JsonReader.h"
#include "model/units/Size_mm.h"

#include <QImage>
#include <QList>
#include <QString>
#include <QVariant>

#include <optional>

namespace ambrel {

// One printable medium a device model accepts. Canvases are made once per
// description and shared (held by std::shared_ptr), never duplicated.
class Canvas {
public:
    struct SerializedInfo {
        QString identifier;
        Size_mm size_mm;
        std::optional<QString> figureImageName;

        static SerializedInfo decode(const JsonReader& reader);
    };

    Canvas(const SerializedInfo& info, const QList<LocalizedStringTable>& tables);
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    const QString& identifier() const { return m_identifier; }
    void setIdentifier(const QString& identifier) { m_identifier = identifier; }
    // "Canvas_<identifier>_name" in the first table that has it, else the identifier.
    const QString& name() const { return m_name; }
    void setName(const QString& name) { m_name = name; }
    const Size_mm& size_mm() const { return m_size_mm; }
    void setSize_mm(const Size_mm& size) { m_size_mm = size; }
    // The picture the inspector shows for the canvas, when there is one.
    const std::optional<QImage>& figureImage() const { return m_figureImage; }
    void setFigureImage(const std::optional<QImage>& image) { m_figureImage = image; }

    // Width divided by height, as it is: not finite for a height of 0, which
    // whoever divides by it checks.
    double widthPerHeight() const { return m_size_mm.width / m_size_mm.height; }
    // "297 × 210 mm", "297.5 × 210 mm".
    QString sizeDescription() const;
    // "A4_(297.0, 210.0)": identifier and size, the canvas's identity in lists.
    QString id() const;

    // Equal when identifiers and both sides are equal; name and picture do not count.
    bool isEqual(const Canvas& other) const;
    bool operator==(const Canvas& other) const { return isEqual(other); }
    size_t hash(size_t seed = 0) const;
    friend size_t qHash(const Canvas& c, size_t seed = 0) { return c.hash(seed); }

    // "identifier", "name", "size_mm" (QSizeF), "figureImage" (QImage or
    // empty), "widthPerHeight", "sizeDescription", "id"; else empty.
    QVariant valueForKey(const QString& key) const;

private:
    QString m_identifier;
    QString m_name;
    Size_mm m_size_mm;
    std::optional<QImage> m_figureImage;
};

} // namespace ambrel
