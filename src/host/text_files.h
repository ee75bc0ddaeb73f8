#pragma once
// Plain text files of the program: templates and drawing list files are read, logs and saved results
// written, in the system's 8-bit code page (UTF-8 on Linux). Lines read may end with CR LF, LF or a
// bare CR; lines written end with CR LF.

#include <QFile>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QIODevice;

namespace qln {

// The lines of a text file, without their line ends; a UTF-8 byte-order mark at the start is dropped.
// A line end at the very end of the file does not start another line. No value when the file cannot
// be opened (a missing file, a folder, no permission).
std::optional<QStringList> ReadTextLines(const QString& path);

// Splits text into lines the same way (CR LF, LF or CR end a line).
QStringList SplitTextLines(const QString& text);

// The bytes a text file of the program holds for `text` (system 8-bit code page).
QByteArray EncodeText(const QString& text);
QString DecodeText(const QByteArray& bytes);

// A text file written line by line, each line ended by CR LF.
class LineWriter {
public:
    enum class Mode { Truncate, Append };

    LineWriter() = default;
    // Write to a device the caller owns and has opened (tests, in-memory logs).
    explicit LineWriter(QIODevice* device) : device_(device) {}
    ~LineWriter() { Close(); }
    LineWriter(const LineWriter&) = delete;
    LineWriter& operator=(const LineWriter&) = delete;

    bool Open(const QString& path, Mode mode);
    bool IsOpen() const { return device_ != nullptr; }
    void WriteLine(const QString& line);
    // Write text as it stands (its own line ends, if any, kept).
    void Write(const QString& text);
    // Write bytes already in the file's encoding (EncodeText), as they stand.
    void WriteEncoded(QByteArrayView bytes);
    void Flush();
    void Close();
    // True when every write since opening reached the file.
    bool ok() const { return ok_; }
    QString fileName() const;

private:
    std::unique_ptr<QFile> file_;
    QIODevice* device_ = nullptr;
    bool ok_ = true;
};

}  // namespace qln
