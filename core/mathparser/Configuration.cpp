#include "core/mathparser/Configuration.h"

namespace kestrom {

const Configuration& Configuration::defaultConfiguration() {
    static const Configuration shared;
    return shared;
}

} // namespace kestrom
