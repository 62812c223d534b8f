#pragma once

namespace dari {

enum class SerialPortParity : int {
    none = 0,
    odd = 1,
    even = 2,
};

} // namespace dari
