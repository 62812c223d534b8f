#pragma once

#include <QApplication>
#include <QString>

#include <functional>
#include <memory>

namespace kestrom {

// Application classes by name, so that the program's information dictionary
// can name the one the framework makes at start ("NSPrincipalClass").
class ApplicationClass {
public:
    using Factory = std::function<std::unique_ptr<QApplication>(int& argc, char** argv)>;

    static bool registerClass(const QString& name, Factory factory);
    // The named class's application, or nothing when no class has the name.
    static std::unique_ptr<QApplication> make(const QString& name, int& argc, char** argv);
};

} // namespace kestrom
