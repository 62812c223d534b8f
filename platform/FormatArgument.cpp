#include "platform/FormatArgument.h"

namespace platform {

QString FormatArgument::description() const {
    return std::visit(
        [](const auto& v) -> QString {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, QString>) {
                return v;
            } else if constexpr (std::is_same_v<T, double>) {
                return QString::number(v, 'g', 17);
            } else {
                return QString::number(v);
            }
        },
        m_value);
}

} // namespace platform
