#include "platform/desktop/mail/sandbox.h"

#include "core/filename.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace yotsumado {

namespace platform {

namespace {

// A snap's description is a few kilobytes; more is not one.
constexpr qint64 kLargestSnapYaml = 1024 * 1024;

bool ClassicSnap(const QString& snapFolder)
{
    QFile yaml(snapFolder + QStringLiteral("/meta/snap.yaml"));
    if (!yaml.open(QIODevice::ReadOnly))
        return false;
    // A top-level key, the value perhaps quoted.
    static const QRegularExpression classic(QStringLiteral(R"(^confinement:\s*["']?classic["']?\s*(#.*)?$)"),
                                            QRegularExpression::MultilineOption);
    return classic.match(QString::fromUtf8(yaml.read(kLargestSnapYaml))).hasMatch();
}

bool InsideFolder(const QString& path, const QString& folder)
{
    const QString file = QFileInfo(path).canonicalFilePath();
    const QString root = QFileInfo(folder).canonicalFilePath();
    return !file.isEmpty() && !root.isEmpty() && file.startsWith(root + QLatin1Char('/'));
}

} // namespace

SandboxSigns SandboxSigns::OfThisProcess()
{
    SandboxSigns signs;
    signs.variables = QProcessEnvironment::systemEnvironment();
    signs.programPath = RunningProgramFile();
    return signs;
}

bool RunsInsideSandbox(const SandboxSigns& signs)
{
    if (QFileInfo::exists(signs.flatpakInfo))
        return true;
    const QString snap = signs.variables.value(QStringLiteral("SNAP"));
    if (snap.isEmpty() || signs.variables.value(QStringLiteral("SNAP_NAME")).isEmpty())
        return false;
    return InsideFolder(signs.programPath, snap) && !ClassicSnap(snap);
}

} // namespace platform

} // namespace yotsumado
