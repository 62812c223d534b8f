#include "imaging/print/QuentaResources.h"

#include "imaging/print/BlackExpansionKernel.h"
#include "imaging/print/HalftoneKernel.h"
#include "platform/Bundle.h"
#include "platform/Log.h"

#include <QFileInfo>

namespace quenta {

const platform::Bundle* QuentaResources::bundle() {
    static const platform::Bundle* const found = [] {
        const platform::Bundle* b = platform::Bundle::named(QStringLiteral("Quenta"));
        if (!QFileInfo(b->resourceRoot()).isDir()) {
            platform::Log::fatal(QStringLiteral("unable to find bundle named Quenta_Quenta"));
        }
        HalftoneKernel::registerIn(b);
        BlackExpansionKernel::registerIn(b);
        return b;
    }();
    return found;
}

} // namespace quenta
