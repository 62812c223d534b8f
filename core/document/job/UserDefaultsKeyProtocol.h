#pragma once

namespace platform {
class UserDefaults;
}

namespace kestrom {

// A user-defaults key that can install its default.
class UserDefaultsKeyProtocol {
public:
    virtual ~UserDefaultsKeyProtocol() = default;
    virtual void registerIn(platform::UserDefaults& defaults) const = 0;
};

} // namespace kestrom
