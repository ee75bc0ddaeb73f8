// Form1's menu bar and what is dropped on the window: the desktop conventions beside the buttons.

#include "app/main_window.h"

#include "app/pane_widgets.h"
#include "app/window_settings.h"
#include "host/hosts.h"
#include "runs/run_support.h"

#include <QAction>
#include <QActionGroup>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeySequence>
#include <QListWidget>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QUrl>

namespace qln {

QMenuBar* Form1::BuildMenus() {
    menuBar_ = new QMenuBar(this);
    menuBar_->setObjectName(QStringLiteral("menuBar"));
    auto add = [this](QMenu* menu, const QString& name, const QString& text, const QKeySequence& keys, auto slot) {
        QAction* action = menu->addAction(text);
        action->setObjectName(name);
        if (!keys.isEmpty()) action->setShortcut(keys);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };

    QMenu* file = menuBar_->addMenu(QStringLiteral("&File"));
    runActions_ << add(file, QStringLiteral("actRunList"), QStringLiteral("Run &Drawing List File..."),
                       QKeySequence::Open, &Form1::drawingListRequested);
    file->addSeparator();
    add(file, QStringLiteral("actAuditLog"), QStringLiteral("Open &Audit Log"), QKeySequence(),
        [this] { OpenLog(QLatin1String(kAuditLog)); });
    add(file, QStringLiteral("actErrorLog"), QStringLiteral("Open &Error Log"), QKeySequence(),
        [this] { OpenLog(QLatin1String(kErrorLog)); });
    file->addSeparator();
    add(file, QStringLiteral("actQuit"), QStringLiteral("E&xit"), QKeySequence(Qt::CTRL | Qt::Key_Q), &QWidget::close);

    QMenu* run = menuBar_->addMenu(QStringLiteral("&Run"));
    QAction* modify = add(run, QStringLiteral("actModify"), QStringLiteral("&Modify Text"), QKeySequence(),
                          [this] {
                              if (Command15->isEnabled()) Q_EMIT modifyRequested();
                          });
    runActions_ << modify;
    stopAction_ = add(run, QStringLiteral("actStop"), QStringLiteral("&Stop"), QKeySequence(), &Form1::stopRequested);
    stopAction_->setEnabled(false);
    run->addSeparator();
    runActions_ << add(run, QStringLiteral("actUndo"), QStringLiteral("&Undo Last Run..."), QKeySequence(),
                       &Form1::undoRequested);
    run->addSeparator();
    runActions_ << add(run, QStringLiteral("actRefresh"), QStringLiteral("&Refresh Lists"), QKeySequence::Refresh,
                       [this] {
                           drawings_.dir->Reload();
                           templates_.dir->Reload();
                           RefreshDrawings();
                           RefreshTemplates();
                       });
    runActions_ << add(run, QStringLiteral("actSelectAll"), QStringLiteral("Select &All Drawings"), QKeySequence(),
                       &Form1::SelectAllDrawings);

    QMenu* tools = menuBar_->addMenu(QStringLiteral("&Tools"));
    runActions_ << add(tools, QStringLiteral("actFind"), QStringLiteral("&Find Text..."), QKeySequence::Find,
                       &Form1::findTextRequested);
    runActions_ << add(tools, QStringLiteral("actFileSpecs"), QStringLiteral("File &Specifications..."),
                       QKeySequence(), &Form1::fileSpecificationsRequested);

    tools->addSeparator();
    // Read by every run as it starts.
    journalAction_ = tools->addAction(QStringLiteral("Keep a &Journal of Each Run"));
    journalAction_->setObjectName(QStringLiteral("actJournal"));
    journalAction_->setCheckable(true);
    journalAction_->setChecked(ReadSetting(context_.settings, settings::kJournal) != QLatin1String("0"));
    journalAction_->setToolTip(QStringLiteral("Keep the previous version of every drawing a run saves, for Undo Last Run"));
    connect(journalAction_, &QAction::toggled, this, [this](bool on) {
        context_.settings.setValue(settings::kJournal.key, on ? QStringLiteral("1") : QStringLiteral("0"));
    });
    BuildHostMenu(tools->addMenu(QStringLiteral("CAD &Host")));

    QMenu* help = menuBar_->addMenu(QStringLiteral("&Help"));
    // F1 itself is the window's shortcut; the entry shows it.
    QAction* faq = add(help, QStringLiteral("actHelp"), QStringLiteral("&Help (FAQ)"), QKeySequence(), &Form1::ShowHelp);
    faq->setShortcut(QKeySequence(Qt::Key_F1));
    faq->setShortcutContext(Qt::WidgetShortcut);  // shown, not triggered twice
    add(help, QStringLiteral("actAbout"), QStringLiteral("&About QLN"), QKeySequence(), &Form1::ShowAbout);

    setAcceptDrops(true);
    return menuBar_;
}

void Form1::BuildHostMenu(QMenu* menu) {
    menu->setObjectName(QStringLiteral("menuHost"));
    // The host is chosen once, at start-up: a change here is stored for the next start.
    auto* group = new QActionGroup(menu);
    group->setExclusive(true);
    const QString stored = ReadSetting(context_.settings, settings::kHost).trimmed().toLower();
    auto entry = [&](const QString& name, const QString& label, bool available) {
        QAction* action = menu->addAction(label);
        action->setObjectName(QStringLiteral("actHost_") + name);
        action->setCheckable(true);
        action->setEnabled(available);
        action->setActionGroup(group);
        action->setChecked(name == stored);
        connect(action, &QAction::triggered, this, [this, name, label] {
            if (ReadSetting(context_.settings, settings::kHost).trimmed().toLower() == name) return;
            context_.settings.setValue(settings::kHost.key, name);
            context_.settings.sync();
            SetStatus(QStringLiteral("CAD host: ") + label + QStringLiteral(". The change takes effect at the next start of QLN."));
        });
        return action;
    };
    QAction* automatic = entry(settings::kAutomaticHost, QStringLiteral("&Automatic (AutoCAD where installed)"), true);
    menu->addSeparator();
    for (const HostChoice& choice : HostChoices())
        entry(choice.name, choice.available ? choice.label : choice.label + QStringLiteral(" (not available here)"),
              choice.available);
    // An unknown or empty value counts as automatic, as at start-up.
    if (!group->checkedAction()) automatic->setChecked(true);
}

namespace {

QStringList LocalPaths(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls()) return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) paths << QDir::cleanPath(url.toLocalFile());
    return paths;
}

}  // namespace

void Form1::dragEnterEvent(QDragEnterEvent* event) {
    if (!running_ && !LocalPaths(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void Form1::dropEvent(QDropEvent* event) {
    const QStringList paths = LocalPaths(event->mimeData());
    if (running_ || paths.isEmpty()) return;
    event->acceptProposedAction();
    const QFileInfo first(paths.first());
    const bool onTemplates = Frame4->rect().contains(Frame4->mapFrom(this, event->position().toPoint()));

    if (onTemplates && first.isFile()) {
        // A template: its folder in the template pane, and it selected.
        if (!MoveFolder(templates_, first.absolutePath())) return;
        const QList<QListWidgetItem*> found = templates_.list->findItems(first.fileName(), Qt::MatchExactly);
        if (!found.isEmpty()) templates_.list->setCurrentItem(found.first());
        return;
    }
    if (first.isDir()) {
        MoveFolder(drawings_, first.absoluteFilePath());
        return;
    }
    // Drawings: their folder in the drawing pane, and those of them the list shows selected.
    if (!MoveFolder(drawings_, first.absolutePath())) return;
    drawings_.list->clearSelection();
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (info.absolutePath() != first.absolutePath()) continue;
        for (QListWidgetItem* item : drawings_.list->findItems(info.fileName(), Qt::MatchExactly)) item->setSelected(true);
    }
}

}  // namespace qln
