// Templates without ATTRIBUTES: and without g or sg work exactly as before those existed: the sample
// templates applied to the sample drawings, in the order of the sample run, give drawings and audit
// lines byte for byte as the program gave them before (their SHA-256 recorded from that program).

#include "host/cautocad.h"
#include "host/text_files.h"
#include "support/dxf_test_util.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>

using namespace dxftest;

namespace {

QString Sha256(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

TEST(SampleRun, OldTemplatesGiveByteIdenticalDrawingsAndAuditLines) {
    const QDir examples(QStringLiteral(QLN_TEST_SOURCE_DIR "/../examples"));
    QTemporaryDir work;
    // A copy of the sample drawings.
    QDirIterator it(examples.filePath("drawings"), {"*.dxf"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString from = it.next();
        const QString to = work.filePath(QDir(examples.filePath("drawings")).relativeFilePath(from));
        QDir().mkpath(QFileInfo(to).path());
        ASSERT_TRUE(QFile::copy(from, to));
        QFile::setPermissions(to, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    const QStringList all{"A-101.dxf", "A-102.dxf", "A-501.dxf", "structure/S-101.dxf", "structure/S-102.dxf",
                          "structure/details/S-501.dxf"};
    const std::vector<std::pair<QString, QStringList>> steps{
        {"rooms.txt", {"A-101.dxf", "A-102.dxf"}},
        {"mtext-notes.txt", {"A-501.dxf"}},
        {"notes.txt", {"A-501.dxf", "A-101.dxf", "A-102.dxf", "structure/S-101.dxf", "structure/S-102.dxf",
                       "structure/details/S-501.dxf"}},
        {"title-block.txt", all},
    };
    QBuffer log;
    log.open(QIODevice::WriteOnly);
    qln::LineWriter audit(&log);
    for (const auto& [tpl, drawings] : steps) {
        Session session;
        QString err;
        ASSERT_EQ(session.s.PrepTemplate(examples.filePath("templates/" + tpl), err, ","), 1) << err.toStdString();
        for (const QString& d : drawings) {
            ASSERT_EQ(session.s.OpenDrawing(work.filePath(d)), 1);
            session.s.GetAttributes(err, ",", &audit);
            ASSERT_EQ(session.s.CloseDrawing(true), 1);
        }
    }
    audit.Flush();

    const std::map<QString, QString> expected{
        {"A-101.dxf", "29be95522cfb6cc3dc778a7970a0446b9924a6f7c2112e808ed8e46e1e2bfe45"},
        {"A-102.dxf", "e08038012ccf92ac8aae840b2eaa65e35dfb0479bf3c32d3898c710942822513"},
        {"A-501.dxf", "efa6fc4ca9976e13cbb5f49b9d2ff07c854b920d980a7e043f4ef0c195a7e788"},
        {"structure/S-101.dxf", "52193890d83cffee76c70a04909af17f948ddd6477a099315b898cd1f2740290"},
        {"structure/S-102.dxf", "bce03bf5022eadc08af7cc9c41018d36efb774f378a91b2c9bf1b17b1608f3e4"},
        {"structure/details/S-501.dxf", "a8f0f28a39a5cf0710fc5c800ceaccca0ca35d4e4cb7a81f06091c9861bb956b"},
    };
    for (const QString& d : all) {
        QFile f(work.filePath(d));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(Sha256(f.readAll()), expected.at(d)) << d.toStdString();
    }
    EXPECT_EQ(Sha256(log.data()), "cab40bdbd1e6bce4f23715ce9f9f3ab3e60cbc0bdefc86decb689185e4467905")
        << log.data().toStdString();
}

}  // namespace
