#include "imaging/gpu/SildorImageResources.h"

#include "imaging/gpu/BuiltinKernels.h"
#include "platform/Bundle.h"
#include "platform/Log.h"

#include <QFileInfo>

namespace sildor {

const platform::Bundle* SildorImageResources::bundle() {
    static const platform::Bundle* const found = [] {
        const platform::Bundle* b = platform::Bundle::named(QStringLiteral("SildorImage"));
        if (!QFileInfo(b->resourceRoot()).isDir()) {
            platform::Log::fatal(
                QStringLiteral("unable to find bundle named SildorImage_SildorImage"));
        }
        BuiltinKernels::registerAll(b);
        return b;
    }();
    return found;
}

} // namespace sildor
