#pragma once

#include "model/texts/LocalizedStringTable.h"

#include <QString>
#include <QVariant>

namespace ambrel {

// One choice of a pick list. Items are shared, and equal only to themselves.
class PickParameterItem {
public:
    PickParameterItem(const QString& identifier, const QString& parameterIdentifier,
                      const QList<LocalizedStringTable>& tables);
    PickParameterItem(const PickParameterItem&) = delete;
    PickParameterItem& operator=(const PickParameterItem&) = delete;

    const QString& identifier() const { return m_identifier; }
    // The identifier of the pick list the item belongs to.
    const QString& parameterIdentifier() const { return m_parameterIdentifier; }
    const QString& localizedName() const { return m_localizedName; }

    // "identifier", "parameterIdentifier", "localizedName"; else empty.
    QVariant valueForKey(const QString& key) const;

private:
    QString m_identifier;
    QString m_parameterIdentifier;
    QString m_localizedName;
};

} // namespace ambrel
