#pragma once

#include <QString>

// Strings kept in the device keychain under an account key ("tovrin.uid").
namespace KeychainHelper {

struct Entry {
    enum class State {
        found,       // `value` holds the stored string (possibly empty)
        missing,     // nothing usable stored: no item, or bytes that are not UTF-8
        unreadable,  // a value may be stored but no store could read it
    };
    State state = State::missing;
    QString value;
};

Entry load(const QString& key);
// Stores the UTF-8 bytes of `value`; false when no store took it (logged as a fault).
bool save(const QString& key, const QString& value);

}  // namespace KeychainHelper
