#pragma once

#include <QString>

#include <functional>
#include <memory>

namespace dari {

// What the serial-port transport takes from the system: where ports are
// listed, how long a read waits in silence, and the modem-line step of the
// opening. The application uses the defaults; tests install their own with a
// Scope (a pseudo-terminal has no modem lines, and three seconds are long).
struct SerialPortEnvironment {
    QString deviceDirectory = QStringLiteral("/dev");
    // Silence that ends a read, in tenths of a second (1 to 255).
    int silenceTenths = 30;
    // Drops DTR and RTS of an open port; false when the port refuses.
    std::function<bool(int fileDescriptor)> dropModemLines = &dropDtrAndRts;

    static bool dropDtrAndRts(int fileDescriptor);

    static SerialPortEnvironment current();

    class Scope {
    public:
        explicit Scope(SerialPortEnvironment environment);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        std::unique_ptr<SerialPortEnvironment> m_previous;
    };
};

} // namespace dari
