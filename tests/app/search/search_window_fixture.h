#pragma once
// The search windows over a main window of their own (tests/app/window_fixture.h), with the in-memory
// host of tests/support as the CAD host, or the built-in DXF host.

#include "app/window_fixture.h"
#include "app/search/file_spec_window.h"
#include "app/search/find_window.h"
#include "support/test_host.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <memory>

namespace testhost {

class SearchWindowTest : public WindowTest {
protected:
    void TearDown() override {
        find.reset();
        specs.reset();
        WindowTest::TearDown();
    }

    // The main window, then the Find Text window over it (the options read from the store).
    qln::Form5& OpenFind() {
        if (!window) OpenMain();
        find = std::make_unique<qln::Form5>(window->Context(), window.get());
        find->show();
        return *find;
    }
    qln::Form5& ReopenFind() {
        find.reset();
        OpenStore();
        window.reset();
        return OpenFind();
    }
    qln::Form4& OpenSpecs() {
        if (!window) OpenMain();
        specs = std::make_unique<qln::Form4>(window->Context(), *window);
        specs->show();
        return *specs;
    }
    qln::Form1& OpenMain() {
        qln::Form1& w = Open();
        w.Context().hostClass = hostClass ? hostClass : host;
        return w;
    }

    // A child of the Find Text or File Specifications window, whichever is open.
    template <typename T>
    T* Find(const char* name) const {
        QWidget* owner = find ? static_cast<QWidget*>(find.get()) : static_cast<QWidget*>(specs.get());
        T* child = owner ? owner->findChild<T*>(QString::fromLatin1(name)) : nullptr;
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    QLineEdit* Edit(const char* name) const { return Find<QLineEdit>(name); }
    QCheckBox* Check(const char* name) const { return Find<QCheckBox>(name); }
    QPushButton* Button(const char* name) const { return Find<QPushButton>(name); }

    // A drawing file and its twin on the in-memory host with one loose model-space text.
    TestDrawing& Drawing(const QString& relative, const QString& text) {
        const QString path = Path(relative);
        EXPECT_TRUE(WriteFile(path, "0\nEOF\n"));
        TestDrawing& dwg = host->AddDrawing(path);
        dwg.AddText(QStringLiteral("MODEL"), text);
        return dwg;
    }

    // The criteria of a search for loose model-space text in dwg/*.dxf.
    void Criteria(const QString& phrase, const QString& folderAndPattern = QString()) {
        Edit("txtSearch")->setText(phrase);
        Edit("txtFolder")->setText(folderAndPattern.isEmpty() ? Path(QStringLiteral("dwg/*.dxf")) : folderAndPattern);
        Edit("txtBlocks")->setText(QStringLiteral("*MODEL_SPACE"));
        Find<QComboBox>("cboSpace")->setCurrentText(QStringLiteral("Model"));
    }

    QString StoredSpec(int position) {
        QSettings fresh(Path(QStringLiteral("settings.ini")), QSettings::IniFormat);
        const QVariant v = fresh.value(QStringLiteral("FSpec/Dir") + QString::number(position));
        return v.isValid() ? v.toString() : QStringLiteral("<absent>");
    }

    std::shared_ptr<TestHost> host = std::make_shared<TestHost>();
    host::ApplicationClassPtr hostClass;  // another host instead of the in-memory one
    std::unique_ptr<qln::Form5> find;
    std::unique_ptr<qln::Form4> specs;
};

}  // namespace testhost
