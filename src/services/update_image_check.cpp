#include "services/update_image_check.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

#include <qcoro/qcoroprocess.h>

#include <elf.h>

#include <cstring>
#include <stdexcept>

namespace UpdateImageCheck {
namespace {

#if defined(__x86_64__)
constexpr quint16 kMachine = EM_X86_64;
#elif defined(__aarch64__)
constexpr quint16 kMachine = EM_AARCH64;
#elif defined(__i386__)
constexpr quint16 kMachine = EM_386;
#elif defined(__arm__)
constexpr quint16 kMachine = EM_ARM;
#else
#error "no ELF machine number for this architecture"
#endif

constexpr unsigned char kClass = sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32;
constexpr unsigned char kData = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? ELFDATA2LSB : ELFDATA2MSB;

}  // namespace

std::optional<QString> elfProblem(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    // e_type and e_machine sit at the same offsets in 32- and 64-bit headers.
    const QByteArray header = file.read(sizeof(Elf64_Ehdr));
    if (header.size() < qsizetype(sizeof(Elf32_Ehdr)) || std::memcmp(header.constData(), ELFMAG, SELFMAG) != 0)
        return QStringLiteral("no ELF header");
    const auto* ident = reinterpret_cast<const unsigned char*>(header.constData());
    if (ident[EI_CLASS] != kClass || ident[EI_DATA] != kData)
        return QStringLiteral("ELF of another word size or byte order");
    quint16 type = 0;
    quint16 machine = 0;
    std::memcpy(&type, header.constData() + offsetof(Elf64_Ehdr, e_type), sizeof type);
    std::memcpy(&machine, header.constData() + offsetof(Elf64_Ehdr, e_machine), sizeof machine);
    if (machine != kMachine)
        return QStringLiteral("ELF for another architecture (machine %1)").arg(machine);
    if (type != ET_EXEC && type != ET_DYN)
        return QStringLiteral("ELF that is not an executable (type %1)").arg(type);
    return std::nullopt;
}

QCoro::Task<QString> reportedBuild(QString path, std::chrono::milliseconds timeout)
{
    QProcess process;
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(path, {QStringLiteral("--print-build")});
    const bool started = co_await qCoro(process).waitForStarted(timeout);
    if (!started)
        throw std::runtime_error("trial run did not start: " + process.errorString().toStdString());
    const bool finished = co_await qCoro(process).waitForFinished(timeout);
    if (!finished) {
        process.kill();
        process.waitForFinished(1000);
        throw std::runtime_error("trial run still running after " + std::to_string(timeout.count()) + " ms");
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        throw std::runtime_error("trial run failed with exit code " + std::to_string(process.exitCode()));
    co_return QString::fromUtf8(process.readAllStandardOutput().trimmed());
}

}  // namespace UpdateImageCheck
