#include "host/text_files.h"

#include <QFileInfo>
#include <QIODevice>

namespace qln {

QByteArray EncodeText(const QString& text) { return text.toLocal8Bit(); }

QString DecodeText(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF")) return QString::fromLocal8Bit(bytes.mid(3));
    return QString::fromLocal8Bit(bytes);
}

QStringList SplitTextLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n') continue;
        lines.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n') ++i;
        start = i + 1;
    }
    if (start < n) lines.append(text.mid(start));
    return lines;
}

std::optional<QStringList> ReadTextLines(const QString& path) {
    if (path.isEmpty() || QFileInfo(path).isDir()) return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    return SplitTextLines(DecodeText(file.readAll()));
}

bool LineWriter::Open(const QString& path, Mode mode) {
    Close();
    auto file = std::make_unique<QFile>(path);
    const QIODevice::OpenMode flags =
        QIODevice::WriteOnly | (mode == Mode::Append ? QIODevice::Append : QIODevice::Truncate);
    if (!file->open(flags)) return false;
    file_ = std::move(file);
    device_ = file_.get();
    ok_ = true;
    return true;
}

void LineWriter::Write(const QString& text) {
    if (!device_) return;
    const QByteArray bytes = EncodeText(text);
    if (device_->write(bytes) != bytes.size()) ok_ = false;
}

void LineWriter::WriteEncoded(QByteArrayView bytes) {
    if (!device_ || bytes.isEmpty()) return;
    if (device_->write(bytes.data(), bytes.size()) != bytes.size()) ok_ = false;
}

void LineWriter::WriteLine(const QString& line) {
    if (!device_) return;
    QByteArray bytes = EncodeText(line);
    bytes.append("\r\n", 2);
    if (device_->write(bytes) != bytes.size()) ok_ = false;
}

void LineWriter::Flush() {
    if (file_ && !file_->flush()) ok_ = false;
}

void LineWriter::Close() {
    if (file_) {
        if (!file_->flush()) ok_ = false;
        file_->close();
        file_.reset();
    }
    device_ = nullptr;
}

QString LineWriter::fileName() const { return file_ ? file_->fileName() : QString(); }

}  // namespace qln
