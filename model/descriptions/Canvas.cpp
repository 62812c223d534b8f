#include "model/descriptions/Canvas.h"

#include "model/texts/DecimalText.h"

#include <QHashFunctions>

namespace ambrel {

namespace {

// A named picture of a bundle: a resource of that name with a picture
// extension, or the name itself when it carries one.
std::optional<QImage> pictureNamed(const platform::Bundle* bundle, const QString& name) {
    for (const char* extension : {"png", "jpg", "jpeg", ""}) {
        if (const auto path = bundle->pathForResource(name, QLatin1String(extension))) {
            QImage image(*path);
            if (!image.isNull()) {
                return image;
            }
        }
    }
    return std::nullopt;
}

// -0.0 and 0.0 are equal, so they must hash alike.
double hashable(double v) {
    return v == 0 ? 0.0 : v;
}

} // namespace

Canvas::SerializedInfo Canvas::SerializedInfo::decode(const JsonReader& reader) {
    SerializedInfo info;
    info.identifier = reader.key(QStringLiteral("identifier")).string();
    const JsonReader size = reader.key(QStringLiteral("size_mm"));
    info.size_mm.width = size.key(QStringLiteral("width")).number();
    info.size_mm.height = size.key(QStringLiteral("height")).number();
    info.figureImageName = reader.optionalString(QStringLiteral("figureImageName"));
    return info;
}

Canvas::Canvas(const SerializedInfo& info, const QList<LocalizedStringTable>& tables)
    : m_identifier(info.identifier),
      m_name(LocalizedStringTable::preferredLocalizedString(
                 QStringLiteral("Canvas_") + info.identifier + QStringLiteral("_name"), tables)
                 .value_or(info.identifier)),
      m_size_mm(info.size_mm) {
    if (info.figureImageName && !info.figureImageName->isEmpty()) {
        m_figureImage = pictureNamed(platform::Bundle::main(), *info.figureImageName);
        if (!m_figureImage) {
            m_figureImage =
                pictureNamed(LocalizedStringTable::ambrelBundle(), *info.figureImageName);
        }
    }
}

QString Canvas::sizeDescription() const {
    return DecimalText::compact(m_size_mm.width) + QStringLiteral(" \u00D7 ") +
           DecimalText::compact(m_size_mm.height) + QStringLiteral(" mm");
}

QString Canvas::id() const {
    return m_identifier + QStringLiteral("_(") + DecimalText::shortest(m_size_mm.width) +
           QStringLiteral(", ") + DecimalText::shortest(m_size_mm.height) + QLatin1Char(')');
}

bool Canvas::isEqual(const Canvas& other) const {
    return m_identifier == other.m_identifier && m_size_mm == other.m_size_mm;
}

size_t Canvas::hash(size_t seed) const {
    return qHashMulti(seed, m_identifier, hashable(m_size_mm.width), hashable(m_size_mm.height));
}

QVariant Canvas::valueForKey(const QString& key) const {
    if (key == QLatin1String("identifier")) {
        return m_identifier;
    }
    if (key == QLatin1String("name")) {
        return m_name;
    }
    if (key == QLatin1String("size_mm")) {
        return m_size_mm.toQSizeF();
    }
    if (key == QLatin1String("figureImage")) {
        return m_figureImage ? QVariant(*m_figureImage) : QVariant();
    }
    if (key == QLatin1String("widthPerHeight")) {
        return widthPerHeight();
    }
    if (key == QLatin1String("sizeDescription")) {
        return sizeDescription();
    }
    if (key == QLatin1String("id")) {
        return id();
    }
    return {};
}

} // namespace ambrel
