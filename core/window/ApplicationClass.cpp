#include "core/window/ApplicationClass.h"

#include <QHash>

namespace kestrom {

namespace {

QHash<QString, ApplicationClass::Factory>& classes() {
    static QHash<QString, ApplicationClass::Factory> table;
    return table;
}

} // namespace

bool ApplicationClass::registerClass(const QString& name, Factory factory) {
    classes().insert(name, std::move(factory));
    return true;
}

std::unique_ptr<QApplication> ApplicationClass::make(const QString& name, int& argc, char** argv) {
    const auto it = classes().constFind(name);
    if (it == classes().constEnd()) {
        return nullptr;
    }
    return (*it)(argc, argv);
}

} // namespace kestrom
