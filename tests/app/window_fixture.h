#pragma once
// A main window of its own for each test: a temporary program folder, an INI settings store, scripted
// dialogs, a desktop that records what it would have opened, and the window's runs on the DXF host (or
// on a host the test chooses).

#include "app/main_window.h"
#include "app/widget_frontend.h"
#include "app/window_runs.h"
#include "host/dxf/dxf_host.h"
#include "support/files.h"
#include "support/scripted_dialogs.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QLabel>
#include <QListWidget>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

namespace testhost {

class RecordingDesktop final : public qln::Desktop {
public:
    QStringList edited;   // files handed to the text editor
    QStringList urls;     // URLs handed to their default program
    bool urlsOpen = true;
    bool editorOpens = true;

    bool OpenInTextEditor(const QString& path) override {
        edited << path;
        return editorOpens;
    }
    bool OpenUrl(const QUrl& url) override {
        urls << url.toString();
        return urlsOpen;
    }
    QStringList notices;  // "title|text" of every notification
    void Notify(QWidget*, const QString& title, const QString& text) override { notices << title + u'|' + text; }
};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp.isValid());
        programFolder = Path(QStringLiteral("program"));
        QDir().mkpath(programFolder);
        // The runs' journals stay in the test's folder, never in the user's data folder.
        state.journalFolder = Path(QStringLiteral("journals"));
        OpenStore();
    }

    void TearDown() override { window.reset(); }

    QString Path(const QString& relative) const { return temp.filePath(relative); }

    // Make empty files (and their folders) under the temporary folder.
    void Touch(const QStringList& relativePaths) {
        for (const QString& p : relativePaths) ASSERT_TRUE(WriteFile(Path(p), QByteArray("0\nEOF\n")));
    }

    void OpenStore() {
        settings.reset();
        settings = std::make_unique<QSettings>(Path(QStringLiteral("settings.ini")), QSettings::IniFormat);
    }

    // The stored value of an "Options" key, read afresh from the file; "<absent>" when not there.
    QString Stored(const QString& key) {
        QSettings fresh(Path(QStringLiteral("settings.ini")), QSettings::IniFormat);
        const QVariant v = fresh.value(QStringLiteral("Options/") + key);
        return v.isValid() ? v.toString() : QStringLiteral("<absent>");
    }

    void Store(const QString& key, const QString& value) {
        settings->setValue(QStringLiteral("Options/") + key, value);
        settings->sync();
    }

    qln::Form1& Open(const QString& commandLine = QString()) {
        window.reset();
        qln::WindowContext context{state,
                                   *settings,
                                   dialogs,
                                   desktop,
                                   programFolder,
                                   hostClass->DrawingExtension(),
                                   [this] { return drives; },
                                   [this] { return screen; },
                                   hostClass,
                                   [this] { return available; }};
        window = std::make_unique<qln::Form1>(context);
        // Every yield of a run handles the window's events, so that tests can act at a given one.
        static_cast<qln::WidgetFrontend&>(window->UserInterface()).SetYieldInterval(0);
        qln::ConnectRuns(*window);
        window->Load(commandLine);
        window->show();
        return *window;
    }

    // Close the window (which writes the settings) and start a new one on the same store.
    qln::Form1& Reopen() {
        window->close();
        window.reset();
        OpenStore();
        return Open();
    }

    template <typename T>
    T* Child(const char* name) const {
        T* child = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }

    QString Text(const char* labelName) const { return Child<QLabel>(labelName)->text(); }

    static QStringList Items(QListWidget* list) {
        QStringList items;
        for (int i = 0; i < list->count(); ++i) items << list->item(i)->text();
        return items;
    }

    static QList<int> SelectedRows(QListWidget* list) {
        QList<int> rows;
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->isSelected()) rows << i;
        return rows;
    }

    // A mouse click on a list row, as the user makes it.
    static void Click(QListWidget* list, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QListWidgetItem* item = list->item(row);
        list->scrollToItem(item);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, list->visualItemRect(item).center());
    }
    static void DoubleClick(QListWidget* list, int row) {
        QListWidgetItem* item = list->item(row);
        list->scrollToItem(item);
        const QPoint at = list->visualItemRect(item).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }

    QTemporaryDir temp;
    QString programFolder;
    std::unique_ptr<QSettings> settings;
    host::ApplicationClassPtr hostClass = qln::dxf::MakeDxfHost();
    qln::ProgramState state;
    ScriptedDialogs dialogs;
    RecordingDesktop desktop;
    QStringList drives{QStringLiteral("/")};
    QSize screen{1024, 768};
    QRect available{0, 0, 1280, 900};
    std::unique_ptr<qln::Form1> window;
};

}  // namespace testhost
