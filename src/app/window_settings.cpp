// Reading and applying the windows' settings.

#include "app/window_settings.h"

#include <QCheckBox>
#include <QSettings>

namespace qln {

QString settings::FileSpecKey(int position) {
    return kFileSpecGroup + QStringLiteral("/Dir") + QString::number(position);
}

QString ReadSetting(const QSettings& store, const QString& key, const QString& fallback) {
    const QVariant value = store.value(key);
    if (!value.isValid()) return fallback;
    if (value.userType() == QMetaType::QStringList) return value.toStringList().join(u',');
    return value.toString();
}

bool ApplyCheckSetting(QCheckBox* box, const QString& value) {
    bool ok = false;
    const int number = value.trimmed().toInt(&ok);
    if (!ok || (number != 0 && number != 1)) return false;
    box->setChecked(number == 1);
    return true;
}

QString CheckSetting(const QCheckBox* box) { return box->isChecked() ? QStringLiteral("1") : QStringLiteral("0"); }

}  // namespace qln
