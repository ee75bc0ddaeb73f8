#include "support/files.h"

#include <QFileInfo>

namespace testhost {

QString CorpusFolder() {
    const QString env = qEnvironmentVariable("QLN_CORPUS_DIR");
    const QString dir = env.isEmpty() ? QStringLiteral(QLN_DEFAULT_CORPUS_DIR) : env;
    return QFileInfo(dir).isDir() ? dir : QString();
}

QString EzdxfPython() { return QStringLiteral(QLN_EZDXF_PYTHON); }

}  // namespace testhost
