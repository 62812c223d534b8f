#pragma once

#include "model/texts/LocalizedStringTable.h"
#include "model/units/JsonReader.h"

#include <QString>

#include <optional>

namespace ambrel {

// A maintenance action a device model offers, with the titles of its button
// and of its progress, looked up once when the model is described.
struct MaintenanceAction {
    // Who sees the action: everyone, nobody, or debugging users only.
    enum class Visibility { visible, hidden, debug };

    static QString rawValue(Visibility v);
    static std::optional<Visibility> visibilityFromRawValue(const QString& rawValue);

    // The description entry: "identifier" and an optional "visibility".
    struct SerializedInfo {
        QString identifier;
        std::optional<Visibility> visibility;

        static SerializedInfo decode(const JsonReader& reader);
    };

    // Titles from "MaintenanceAction_<identifier>_buttonTitle" and
    // "..._progressTitle" in the first table that has them, else the identifier.
    static MaintenanceAction make(const SerializedInfo& info,
                                  const QList<LocalizedStringTable>& tables);

    QString identifier;
    Visibility visibility = Visibility::visible;
    QString buttonTitle;
    QString progressTitle;

    bool operator==(const MaintenanceAction&) const = default;
};

} // namespace ambrel
