#include "host/text_files.h"

#include "host/file_io.h"

#include <QFileInfo>
#include <QIODevice>
#include <QStringDecoder>

#include <algorithm>

namespace qln {

QByteArray EncodeText(const QString& text) { return text.toUtf8(); }

QString DecodeText(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF")) return QString::fromUtf8(bytes.mid(3));
    // Text of the 8-bit code page with any letter beyond ASCII is almost never valid UTF-8.
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError()) return text;
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

std::optional<QStringList> ReadTextLines(const QString& path, QString* why) {
    if (path.isEmpty()) {
        if (why) *why = QStringLiteral("no file was named");
        return std::nullopt;
    }
    auto bytes = fileio::ReadRegularFile(path, fileio::Limits().textFile);
    if (!bytes) {
        if (why) *why = bytes.error().description;
        return std::nullopt;
    }
    return SplitTextLines(DecodeText(*bytes));
}

QString VisibleControls(const QString& text) {
    auto plain = [](QChar c) { return c.unicode() == u'\t' || (c.unicode() >= 0x20 && c.unicode() < 0x7F) || c.unicode() > 0x9F; };
    if (std::all_of(text.begin(), text.end(), plain)) return text;
    QString out;
    out.reserve(text.size() + 8);
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (plain(c)) out += c;
        else if (u == 0x7F) out += QStringLiteral("^?");
        else if (u < 0x20) out += u'^' + QChar(char16_t(u + 0x40));
        else out += QStringLiteral("M-^") + QChar(char16_t(u - 0x80 + 0x40));
    }
    return out;
}

bool LineWriter::Open(const QString& path, Mode mode) {
    Close();
    auto file = std::make_unique<QFile>(path);
    const QIODevice::OpenMode flags =
        QIODevice::WriteOnly | (mode == Mode::Append ? QIODevice::Append : QIODevice::Truncate);
    ok_ = true;
    error_.clear();
    path_ = path;
    if (!file->open(flags)) {
        error_ = file->errorString();
        return false;
    }
    file_ = std::move(file);
    device_ = file_.get();
    return true;
}

void LineWriter::Failed() {
    // The first failure is the one that says what went wrong.
    if (ok_) error_ = device_ ? device_->errorString() : QString();
    ok_ = false;
}

void LineWriter::Write(const QString& text) {
    if (!device_) return;
    const QByteArray bytes = EncodeText(visibleControls_ ? VisibleControls(text) : text);
    if (device_->write(bytes) != bytes.size()) Failed();
}

void LineWriter::WriteEncoded(QByteArrayView bytes) {
    if (!device_ || bytes.isEmpty()) return;
    if (device_->write(bytes.data(), bytes.size()) != bytes.size()) Failed();
}

void LineWriter::WriteLine(const QString& line) {
    if (!device_) return;
    QByteArray bytes = EncodeText(visibleControls_ ? VisibleControls(line) : line);
    bytes.append("\r\n", 2);
    if (device_->write(bytes) != bytes.size()) Failed();
}

void LineWriter::Flush() {
    if (file_ && !file_->flush()) Failed();
}

void LineWriter::Close() {
    if (file_) {
        if (!file_->flush()) Failed();
        file_->close();
        if (file_->error() != QFileDevice::NoError && ok_) Failed();
        file_.reset();
    }
    device_ = nullptr;
}

QString LineWriter::fileName() const { return path_; }

}  // namespace qln
