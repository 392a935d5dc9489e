#pragma once

#include <QString>

namespace qs {

// Where this run keeps config.txt, 本地库.txt, anguidb.mdb, sysimg/ and the
// embedded servers, and which folder's servers.ini is in force.
struct ProgramFolder {
    QString path;
    QString settingsFolder;  // servers.ini is read from here; a missing file means the defaults
    QString error;           // for the operator when no usable folder could be made
};

// A portable copy keeps everything beside the executable, as long as that
// folder is writable. An installed copy (a folder it cannot write, or one
// under /usr, which belongs to the package manager even for root) uses the
// per-user folder <userDataFolder>/qingsong-luru, made on first start; its
// servers.ini, when present, wins over the office-wide one in
// officeSettingsFolder.
ProgramFolder ChooseProgramFolder(const QString& executableFolder, const QString& userDataFolder,
                                  const QString& officeSettingsFolder);

// The same for the running program: its own folder, $XDG_DATA_HOME (or
// ~/.local/share) and /etc/qingsong-luru.
ProgramFolder ChooseProgramFolder();

}  // namespace qs
