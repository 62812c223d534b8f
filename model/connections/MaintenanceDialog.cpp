#include "model/connections/MaintenanceDialog.h"

namespace ambrel {

MaintenanceDialog::~MaintenanceDialog() = default;

} // namespace ambrel
