// Form4: the File Specifications window.

#include "app/search/file_spec_window.h"

#include "runs/file_utils.h"
#include "app/controls.h"
#include "app/main_window.h"
#include "app/window_settings.h"
#include "modify/name_list.h"
#include "app/search/file_dialogs.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

#include <cstdint>
#include <limits>

namespace qln {

namespace {

const QString kListTip = QStringLiteral(" Double-click on file spec to use ");

// An entry that names its folder from the root of a drive: on Windows it starts with a drive
// letter ("C:\..."), elsewhere with the root "/".
struct SpecParts {
    bool rooted = false;
    QString drive;
    QString folder;    // with its trailing separator
    QString pattern;
};

SpecParts SplitSpec(const QString& entry) {
    SpecParts parts;
#ifdef Q_OS_WIN
    parts.rooted = entry.size() >= 3 && entry.at(0).isLetter() && entry.at(1) == u':' &&
                   (entry.at(2) == u'\\' || entry.at(2) == u'/');
    parts.drive = entry.left(2);
#else
    parts.rooted = entry.startsWith(u'/');
    parts.drive = QStringLiteral("/");
#endif
    parts.folder = FolderPart(entry);
    parts.pattern = GetFileName(entry);
    return parts;
}

}  // namespace

Form4::Form4(const WindowContext& context, Form1& mainWindow)
    : QDialog(&mainWindow), context_(context), main_(mainWindow) {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(kCaption);
    BuildControls();
    Load();
}

void Form4::BuildControls() {
    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    Label1 = new QLabel(QStringLiteral("Total:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setMinimumHeight(Label1->fontMetrics().height());
    Command1 = NewButton(this, QStringLiteral("Command1"), QStringLiteral("&Add"));
    Command2 = NewButton(this, QStringLiteral("Command2"), QStringLiteral("&Delete"));
    Command3 = NewButton(this, QStringLiteral("Command3"), QStringLiteral("&Edit"));
    Command5 = NewButton(this, QStringLiteral("Command5"), QStringLiteral("&Select"));
    Command4 = NewButton(this, QStringLiteral("Command4"), QStringLiteral("&Close"));
    for (QPushButton* b : {Command2, Command3, Command5}) b->setEnabled(false);

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {Command1, Command2, Command3, Command5}) buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(Command4);
    auto* listColumn = new QVBoxLayout;
    listColumn->addWidget(List1, 1);
    listColumn->addWidget(Label1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(listColumn, 1);
    layout->addLayout(buttons);
    resize(560, 320);

    connect(List1, &QListWidget::itemSelectionChanged, this, &Form4::FollowSelection);
    connect(List1, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        if (item) Select();
    });
    connect(Command1, &QPushButton::clicked, this, &Form4::Add);
    connect(Command2, &QPushButton::clicked, this, &Form4::Delete);
    connect(Command3, &QPushButton::clicked, this, &Form4::Edit);
    connect(Command5, &QPushButton::clicked, this, &Form4::Select);
    connect(Command4, &QPushButton::clicked, this, &QDialog::reject);
}

// --- The stored list --------------------------------------------------------------------------------

void Form4::Load() {
    // Dir0, Dir1, ... up to the first key that is missing or empty.
    for (std::int16_t i = 0; i < std::numeric_limits<std::int16_t>::max(); ++i) {
        const QString text = ReadSetting(context_.settings, settings::FileSpecKey(i));
        if (text.isEmpty()) break;
        List1->addItem(text);
    }
    if (List1->count() > 0) ShowTotal();
}

void Form4::WriteList() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QSettings& s = context_.settings;
    s.remove(settings::kFileSpecGroup);
    for (int i = 0; i < List1->count(); ++i) s.setValue(settings::FileSpecKey(i), List1->item(i)->text());
    s.sync();
    QApplication::restoreOverrideCursor();
}

void Form4::done(int result) {
    if (blnChanged) {
        WriteList();
        blnChanged = false;
    }
    QDialog::done(result);
}

QStringList Form4::Items() const {
    QStringList items;
    for (int i = 0; i < List1->count(); ++i) items << List1->item(i)->text();
    return items;
}

// --- The list and its buttons -------------------------------------------------------------------------

void Form4::ShowTotal() {
    // An empty list after a deletion shows no total at all.
    const bool any = List1->count() > 0;
    List1->setToolTip(any ? kListTip : QString());
    Label1->setText(any ? QStringLiteral("Total: ") + QString::number(List1->count()) : QString());
}

void Form4::FollowSelection() {
    const bool selected = !List1->selectedItems().isEmpty();
    for (QPushButton* b : {Command2, Command3, Command5}) b->setEnabled(selected);
}

QString Form4::SelectedSpec() const {
    const QList<QListWidgetItem*> selected = List1->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

void Form4::Add() {
    QString folder = BrowseForFolder(context_.dialogs, this, kBrowseTitle, context_.state.strLastFolder);
    if (folder.isEmpty()) return;
    context_.state.strLastFolder = folder;
    folder = WithTrailingSeparator(folder);
    const QString suggestion = folder + QStringLiteral("*") + context_.drawingExtension;
    // Ask again and again for patterns in this folder, until the user cancels or answers blank.
    for (;;) {
        const QString answer = TrimSpaces(
            context_.dialogs.Input(this, kAddSpecTitle, SpecPromptWithExamples(context_.drawingExtension), suggestion).value_or(QString()));
        if (answer.isEmpty()) return;
        const QStringList items = Items();
        if (items.contains(answer, Qt::CaseInsensitive)) continue;
        blnChanged = true;
        List1->addItem(answer);
        ShowTotal();
    }
}

void Form4::Delete() {
    const QList<QListWidgetItem*> selected = List1->selectedItems();
    if (selected.isEmpty()) return;
    const auto answer = context_.dialogs.Message(
        this, Dialogs::Icon::Question, QStringLiteral("Delete File Specification"),
        QStringLiteral("Are you sure you want to delete the selected file specification?"), Dialogs::Buttons::YesNo);
    if (answer != Dialogs::Answer::Yes) return;
    delete List1->takeItem(List1->row(selected.first()));
    blnChanged = true;
    ShowTotal();
    // The buttons follow what is selected now.
    FollowSelection();
}

void Form4::Edit() {
    const QList<QListWidgetItem*> selected = List1->selectedItems();
    if (selected.isEmpty()) return;
    const QString answer = TrimSpaces(
        context_.dialogs.Input(this, QStringLiteral("Edit File Specification"), kSpecPrompt, selected.first()->text())
            .value_or(QString()));
    if (answer.isEmpty()) return;
    blnChanged = true;
    selected.first()->setText(answer);
}

void Form4::Select() {
    const QString entry = SelectedSpec();
    if (entry.isEmpty()) return;
    const SpecParts parts = SplitSpec(entry);
    if (parts.rooted) {
        // Drive, folder, pattern, in this order; a drive or folder the pane rejects is skipped.
        main_.SetDrawingDrive(parts.drive);
        main_.SetDrawingFolder(parts.folder);
        main_.SetDrawingPattern(parts.pattern);
    } else {
        main_.SetDrawingPattern(entry);
    }
    accept();
}

}  // namespace qln
