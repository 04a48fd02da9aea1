#include "platform/desktop_handler.h"
#include "platform/platform_log.h"

#include "platform/platform.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>

namespace ormix::platform {

namespace {
// xdg-mime is a shell script that answers in a few tens of milliseconds; a desktop that
// takes longer than this is treated as having no handler rather than holding up start-up.
constexpr int kXdgMimeTimeoutMs = 5000;

// The program of an Exec or TryExec value: its first word, quotes removed.
QString ProgramOf(const QString &command) {
    const QString text = command.trimmed();
    if (text.startsWith(QLatin1Char('"'))) {
        const qsizetype end = text.indexOf(QLatin1Char('"'), 1);
        return end > 0 ? text.mid(1, end - 1) : QString();
    }
    return text.section(QLatin1Char(' '), 0, 0);
}

bool ProgramExists(const QString &program) {
    if (program.isEmpty()) return false;
    if (program.contains(QLatin1Char('/'))) {
        const QFileInfo file(program);
        return file.isFile() && file.isExecutable();
    }
    return !QStandardPaths::findExecutable(program).isEmpty();
}
} // namespace

QString DefaultApplicationId(const QString &mimeType) {
    QProcess xdgMime;
    xdgMime.start(QStringLiteral("xdg-mime"),
                  {QStringLiteral("query"), QStringLiteral("default"), mimeType});
    if (!xdgMime.waitForStarted(kXdgMimeTimeoutMs)) {
        qCDebug(lcPlatform) << "xdg-mime not started:" << xdgMime.errorString();
        return {};
    }
    if (!xdgMime.waitForFinished(kXdgMimeTimeoutMs)) {
        qCWarning(lcPlatform) << "xdg-mime did not answer for" << mimeType;
        xdgMime.kill();
        xdgMime.waitForFinished();
        return {};
    }
    if (xdgMime.exitStatus() != QProcess::NormalExit || xdgMime.exitCode() != 0) return {};
    return QString::fromLocal8Bit(xdgMime.readAllStandardOutput())
        .section(QLatin1Char('\n'), 0, 0)
        .trimmed();
}

QString FindDesktopEntry(const QString &id) {
    if (id.isEmpty() || id.contains(QLatin1Char('/'))) return {};
    QString path = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, id);
    // An id's dashes may stand for subfolders: "kde4-foo.desktop" is "kde4/foo.desktop".
    for (QString nested = id; path.isEmpty() && nested.contains(QLatin1Char('-'));) {
        nested.replace(nested.indexOf(QLatin1Char('-')), 1, QLatin1Char('/'));
        path = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, nested);
    }
    return path;
}

bool DesktopEntryCanStart(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return false;
    QTextStream in(&file);
    bool inEntry = false;
    QString type, exec, tryExec;
    bool hidden = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QStringLiteral("[Desktop Entry]");
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (!inEntry || eq <= 0) continue;
        const QString key = line.left(eq).trimmed(), value = line.mid(eq + 1).trimmed();
        if (key == QStringLiteral("Type"))
            type = value;
        else if (key == QStringLiteral("Exec"))
            exec = value;
        else if (key == QStringLiteral("TryExec"))
            tryExec = value;
        else if (key == QStringLiteral("Hidden"))
            hidden = value == QStringLiteral("true");
    }
    if (type != QStringLiteral("Application") || hidden) return false;
    if (!tryExec.isEmpty() && !ProgramExists(ProgramOf(tryExec))) return false;
    return ProgramExists(ProgramOf(exec));
}

bool Platform::HasApplicationFor(const QString &mimeType) const {
    const QString entry = FindDesktopEntry(DefaultApplicationId(mimeType));
    return !entry.isEmpty() && DesktopEntryCanStart(entry);
}

bool Platform::OpenFile(const QString &path) {
    return OpenLink(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

} // namespace ormix::platform
