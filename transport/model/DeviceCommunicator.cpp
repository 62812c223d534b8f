#include "transport/model/DeviceCommunicator.h"

namespace fennick {

DeviceCommunicator::~DeviceCommunicator() = default;

} // namespace fennick
