#pragma once
// Plain text files of the program: templates and drawing list files are read, logs and saved results
// written. They are written in UTF-8, the same bytes on every platform, so that no character of a
// drawing's text is lost or replaced by a look-alike in a log (the 8-bit code page of Windows has no
// "≥"). They are read as UTF-8 when they are (a byte order mark, or bytes that are valid UTF-8), else
// in the system's 8-bit code page, as files written by older versions and other Windows programs are.
// Lines read may end with CR LF, LF or a bare CR; lines written end with CR LF.

#include <QFile>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QIODevice;

namespace qln {

// The lines of a text file, without their line ends; a UTF-8 byte-order mark at the start is dropped.
// A line end at the very end of the file does not start another line. No value when the file cannot
// be read: a missing file, a folder, no permission, anything but a regular file (a FIFO, a device), a
// file larger than the text-file limit (file_io.h); `why` then says which.
std::optional<QStringList> ReadTextLines(const QString& path, QString* why = nullptr);

// Text with its control characters made visible, as `cat -v` shows them: ESC as "^[", CR as "^M",
// DEL as "^?", U+0080..U+009F as "M-^@".."M-^_". Tabs stay. For logs a person reads on a terminal,
// where a raw escape sequence would act instead of showing.
QString VisibleControls(const QString& text);

// Splits text into lines the same way (CR LF, LF or CR end a line).
QStringList SplitTextLines(const QString& text);

// The bytes a text file of the program holds for `text` (UTF-8), and the text of a file's bytes.
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
    // From now on every text written shows its control characters (VisibleControls).
    void SetVisibleControls(bool visible) { visibleControls_ = visible; }
    bool ShowsControls() const { return visibleControls_; }
    void WriteLine(const QString& line);
    // Write text as it stands (its own line ends, if any, kept).
    void Write(const QString& text);
    // Write bytes already in the file's encoding (EncodeText), as they stand.
    void WriteEncoded(QByteArrayView bytes);
    void Flush();
    void Close();
    // True when every write since opening reached the file; errorString() says why when not (or why
    // Open failed).
    bool ok() const { return ok_; }
    QString errorString() const { return error_; }
    QString fileName() const;

private:
    std::unique_ptr<QFile> file_;
    void Failed();

    QIODevice* device_ = nullptr;
    bool ok_ = true;
    bool visibleControls_ = false;
    QString error_;
    QString path_;  // the file last opened, kept after closing
};

}  // namespace qln
