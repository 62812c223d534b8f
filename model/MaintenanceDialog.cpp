#include "model/MaintenanceDialog.h"

namespace ambrel {

MaintenanceDialog::~MaintenanceDialog() = default;

} // namespace ambrel
