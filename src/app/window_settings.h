#pragma once
// The per-user settings of the windows: every key of the "QLN" store with its default, and the one
// helper that reads a stored value and applies it to a control. The groups are "Options" (the main
// window and the Find Text window), "FSpec" (the file specifications list), "Window" (where the
// windows were last placed), "Host" (the CAD host) and "Journal" (the run journals).
//
// Values are strings. A value that cannot be applied (not "0" or "1" for a check box) is skipped and
// the control keeps its state.

#include <QString>

class QCheckBox;
class QSettings;

namespace qln {

// A key and, where it does not depend on the program folder or the host, its default.
struct Setting {
    QString key;
    QString fallback;
};

namespace settings {

// --- The main window ---------------------------------------------------------------------------------
// Default: the drive of the program folder (the file-system root off Windows).
inline const QString kDrive = QStringLiteral("Options/Drive");
// Default: the program folder.
inline const QString kDir = QStringLiteral("Options/Dir");
inline const QString kDrive3 = QStringLiteral("Options/Drive3");
inline const QString kDir3 = QStringLiteral("Options/Dir3");
inline const Setting kDelimiter{QStringLiteral("Options/Delimiter"), QStringLiteral(",")};
inline const Setting kAudit{QStringLiteral("Options/Audit"), QStringLiteral("1")};
inline const Setting kTextType{QStringLiteral("Options/TextType"), QStringLiteral("0")};
// The drawing pattern, read at start and never written. Default: "*" + the host's drawing extension.
inline const QString kPattern = QStringLiteral("Options/FExt");

// --- The Find Text window ------------------------------------------------------------------------------
inline const Setting kSpace{QStringLiteral("Options/Space"), QStringLiteral("Both")};
inline const Setting kCase{QStringLiteral("Options/Case"), QStringLiteral("0")};
inline const Setting kWhole{QStringLiteral("Options/Whole"), QStringLiteral("0")};
inline const Setting kTag{QStringLiteral("Options/Tag"), QStringLiteral("0")};
inline const Setting kPath{QStringLiteral("Options/Path"), QStringLiteral("1")};
inline const Setting kFieldDelimiter{QStringLiteral("Options/FieldDelimiter"), QStringLiteral(",")};
inline const Setting kBlocks{QStringLiteral("Options/Blocks"), QStringLiteral("*")};
inline const Setting kLayers{QStringLiteral("Options/Layers"), QStringLiteral("*")};
// The attribute tags searched besides text; empty: none.
inline const Setting kAttributes{QStringLiteral("Options/Attributes"), QString()};
inline const Setting kSearch{QStringLiteral("Options/Search"), QStringLiteral("Enter text phrase here")};
inline const Setting kFolder{QStringLiteral("Options/Folder"), QString()};
inline const Setting kInclude{QStringLiteral("Options/Include"), QStringLiteral("0")};
inline const Setting kCsv{QStringLiteral("Options/CSV"), QStringLiteral("0")};
// The folder the save dialog opens in. Default: the folder browser's last folder.
inline const QString kTextFile = QStringLiteral("Options/TextFile");

// --- The file specifications list --------------------------------------------------------------------
inline const QString kFileSpecGroup = QStringLiteral("FSpec");
// "FSpec/Dir0", "FSpec/Dir1", ...
QString FileSpecKey(int position);

// --- Where the windows were left, and the recent folders (not part of the "Options" the windows
// share with earlier releases) ----------------------------------------------------------------------
inline const QString kMainWindowPlace = QStringLiteral("Window/MainPlace");
inline const QString kFindWindowPlace = QStringLiteral("Window/FindTextPlace");
// The folders last chosen in the panes, most recent first.
inline const QString kRecentFolders = QStringLiteral("Window/RecentFolders");

// --- The CAD host and the run journal -----------------------------------------------------------------
// "auto" (the machine's default), "autocad" or "dxf"; read at start-up.
inline const Setting kHost{QStringLiteral("Host/Kind"), QStringLiteral("auto")};
inline const QString kAutomaticHost = QStringLiteral("auto");
// "1": every modification run keeps a journal of the drawings it saves, for Undo Last Run.
inline const Setting kJournal{QStringLiteral("Journal/Keep"), QStringLiteral("1")};

}  // namespace settings

// The stored value of `key`, or `fallback` when there is none. An INI file hands back a hand-written
// "a,b" as a list; it is read as the text it was.
QString ReadSetting(const QSettings& store, const QString& key, const QString& fallback = QString());
inline QString ReadSetting(const QSettings& store, const Setting& setting) {
    return ReadSetting(store, setting.key, setting.fallback);
}

// A check box's stored value, "0" or "1", applied to the box; false (and the box unchanged) for any
// other value.
bool ApplyCheckSetting(QCheckBox* box, const QString& value);
inline bool ApplyCheckSetting(QCheckBox* box, const QSettings& store, const Setting& setting) {
    return ApplyCheckSetting(box, ReadSetting(store, setting));
}

// A check box's value as it is stored: "1" checked, "0" clear.
QString CheckSetting(const QCheckBox* box);

}  // namespace qln
