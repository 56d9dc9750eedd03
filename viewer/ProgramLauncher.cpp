#include "ProgramLauncher.h"

#include <cerrno>
#include <cstring>

#include <QFileInfo>
#include <QProcess>

#include "BrowserCommand.h"

namespace keylinker {

bool DetachedLauncher::start(const BrowserCommand& command, QString& error)
{
    // A detached start says only that it failed; the two usual reasons get the system's own words.
    const QFileInfo program(command.program);
    if (!program.exists()) {
        error = QString::fromLocal8Bit(std::strerror(ENOENT));
        return false;
    }
    if (program.isDir() || !program.isExecutable()) {
        error = QString::fromLocal8Bit(std::strerror(program.isDir() ? EISDIR : EACCES));
        return false;
    }
    QProcess process;
    process.setProgram(command.program);
    process.setArguments({command.argument});
    process.setStandardInputFile(QProcess::nullDevice());
    if (!process.startDetached()) {
        error = process.errorString();
        return false;
    }
    return true;
}

} // namespace keylinker
