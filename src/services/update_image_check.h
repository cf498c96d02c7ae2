#pragma once

#include <QString>

#include <qcoro/qcorotask.h>

#include <chrono>
#include <optional>

// Whether a downloaded update image can run on this machine: an ELF
// executable of this architecture that, started with "--print-build",
// reports its build. Nothing here replaces or installs anything.
namespace UpdateImageCheck {

// Why the file is not an ELF executable for this machine, or nothing when it is one.
std::optional<QString> elfProblem(const QString& path);

// Runs `path --print-build` with a minimal environment and no input; the
// trimmed output. Throws std::runtime_error when it cannot start, fails or
// is still running after `timeout` (it is then killed).
QCoro::Task<QString> reportedBuild(QString path, std::chrono::milliseconds timeout);

}  // namespace UpdateImageCheck
