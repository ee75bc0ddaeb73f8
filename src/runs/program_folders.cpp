#include "runs/program_folders.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace qln {

namespace {

// The installation's data folder when `executableFolder` is the bin folder of one, else empty.
QString InstalledDataFolder(const QString& executableFolder) {
    const QFileInfo exe(executableFolder);
    if (exe.fileName() != QLatin1String("bin")) return {};
    const QString data = QDir::cleanPath(QDir(exe.absoluteFilePath()).filePath(QLatin1String(kInstalledDataFolder)));
    return QFileInfo(QDir(data).filePath(QStringLiteral("faq.fil"))).isFile() ? data : QString();
}

}  // namespace

QString PerUserDataFolder() {
    QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (data.isEmpty()) data = QDir::home().filePath(QStringLiteral(".local/share/QLN"));
    QDir().mkpath(data);
    return data;
}

QString ChooseLogFolder(const QString& programFolder, bool* movedTo) {
    if (movedTo) *movedTo = false;
    if (!programFolder.isEmpty()) {
        QTemporaryFile probe(QDir(programFolder).filePath(QStringLiteral(".qln-write-test-XXXXXX")));
        if (probe.open()) return programFolder;
    }
    if (movedTo) *movedTo = true;
    return PerUserDataFolder();
}

void DecideProgramFolders(ProgramState& state, const QString& executableFolder) {
    const QString data = InstalledDataFolder(executableFolder);
    if (!data.isEmpty()) {
        state.layout = ProgramState::Layout::Installed;
        state.programFolder = data;
        state.logFolder = PerUserDataFolder();
        state.logFolderMoved = false;
        return;
    }
    state.layout = ProgramState::Layout::Portable;
    state.programFolder = executableFolder;
    state.logFolder = ChooseLogFolder(executableFolder, &state.logFolderMoved);
}

QString ProgramFoldersLine(const ProgramState& state) {
    const QString program = QDir::toNativeSeparators(state.programFolder);
    const QString logs = QDir::toNativeSeparators(state.LogFolder());
    if (state.layout == ProgramState::Layout::Installed)
        return QStringLiteral("Installed: data in ") + program + QStringLiteral("; logs and reports in ") + logs;
    QString line = QStringLiteral("Portable: program folder ") + program;
    if (QDir(state.LogFolder()) == QDir(state.programFolder)) return line + QStringLiteral("; logs and reports there too");
    line += QStringLiteral("; logs and reports in ") + logs;
    if (state.logFolderMoved) line += QStringLiteral(" (the program folder cannot be written)");
    return line;
}

}  // namespace qln
