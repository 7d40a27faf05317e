#include "app/parts.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace morvane
{

namespace
{

// No application object exists yet to ask where the program is.
QString ProgramFile()
{
#if defined(Q_OS_WIN)
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return length > 0 && length < MAX_PATH ? QString::fromWCharArray(path, length) : QString();
#else
    return QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
#endif
}

QString ProgramFolder()
{
    const QString program = ProgramFile();
    return program.isEmpty() ? QDir::currentPath() : QFileInfo(program).absolutePath();
}

} // namespace

QStringList PartPaths(const QString& libraryFile)
{
    const QDir program(ProgramFolder());
    return {
        program.filePath(libraryFile),
        QDir::cleanPath(program.filePath(QStringLiteral(MORVANE_PARTS_FOLDER "/") + libraryFile))};
}

QFunctionPointer LoadPartEntry(const QStringList& paths, const char* entry, QString& problem)
{
    for (const QString& path : paths) {
        if (!QFileInfo::exists(path))
            continue;
        QLibrary library(path);
        // Qt would otherwise unload it at exit, under objects of Qt's that still point into it.
        library.setLoadHints(QLibrary::PreventUnloadHint);
        if (const QFunctionPointer function = library.resolve(entry))
            return function;
        problem = library.errorString();
        return nullptr;
    }
    problem = QStringLiteral("none of %1 exists").arg(paths.join(QStringLiteral(", ")));
    return nullptr;
}

} // namespace morvane
