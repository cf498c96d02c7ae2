#pragma once

#include "platform/keychain.h"

#include <memory>

// Test-only: replaces the process's keychain (for example with one whose
// Secret Service fails). Included by tests alone.
namespace KeychainTestSeam {
void replaceShared(std::unique_ptr<Keychain> keychain);
}
