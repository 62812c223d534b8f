#include "model/descriptions/MaintenanceAction.h"

namespace ambrel {

QString MaintenanceAction::rawValue(Visibility v) {
    switch (v) {
    case Visibility::visible:
        return QStringLiteral("visible");
    case Visibility::hidden:
        return QStringLiteral("hidden");
    case Visibility::debug:
        return QStringLiteral("debug");
    }
    return QStringLiteral("visible");
}

std::optional<MaintenanceAction::Visibility>
MaintenanceAction::visibilityFromRawValue(const QString& rawValue) {
    for (const Visibility v : {Visibility::visible, Visibility::hidden, Visibility::debug}) {
        if (rawValue == MaintenanceAction::rawValue(v)) {
            return v;
        }
    }
    return std::nullopt;
}

MaintenanceAction::SerializedInfo
MaintenanceAction::SerializedInfo::decode(const JsonReader& reader) {
    SerializedInfo info;
    info.identifier = reader.key(QStringLiteral("identifier")).string();
    if (auto visibility = reader.optionalKey(QStringLiteral("visibility"))) {
        const QString raw = visibility->string();
        info.visibility = visibilityFromRawValue(raw);
        if (!info.visibility) {
            visibility->fail(DecodingError::Case::dataCorrupted,
                             QStringLiteral("Cannot initialize Visibility from invalid String "
                                            "value %1")
                                 .arg(raw));
        }
    }
    return info;
}

MaintenanceAction MaintenanceAction::make(const SerializedInfo& info,
                                          const QList<LocalizedStringTable>& tables) {
    const auto title = [&](const char* kind) {
        return LocalizedStringTable::preferredLocalizedString(QStringLiteral("MaintenanceAction_") +
                                                                  info.identifier + u'_' +
                                                                  QLatin1String(kind),
                                                              tables)
            .value_or(info.identifier);
    };
    return {info.identifier, info.visibility.value_or(Visibility::visible), title("buttonTitle"),
            title("progressTitle")};
}

} // namespace ambrel
