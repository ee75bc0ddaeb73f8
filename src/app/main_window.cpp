// Form1: the main window, its settings and its selection panes.

#include "app/main_window.h"

#include "app/about_window.h"
#include "app/controls.h"
#include "app/pane_widgets.h"
#include "runs/program_folders.h"
#include "runs/run_support.h"
#include "app/widget_frontend.h"
#include "app/window_geometry.h"
#include "app/window_settings.h"
#include "modify/name_list.h"

#include <QApplication>
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileSystemWatcher>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QShortcut>
#include <QStorageInfo>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <optional>

namespace qln {

namespace {

// Paths compare as the file system does.
#ifdef Q_OS_WIN
constexpr Qt::CaseSensitivity kPathCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity kPathCase = Qt::CaseSensitive;
#endif

// The folder at the root of a drive: "c:" -> "c:/"; a mount point is its own root folder.
QString DriveRootFolder(const QString& drive) {
    return drive.size() == 2 && drive[1] == u':' ? drive + u'/' : drive;
}

// Files of `folder` whose names match `pattern` (ignoring case), hidden files left out, sorted by name.
// A pattern with folder parts ("sub/*.dxf") lists that subfolder; an empty pattern lists every file.
QStringList ListFiles(const QString& folder, const QString& pattern) {
    QString dir = folder;
    QString name = QDir::fromNativeSeparators(pattern);
    if (const qsizetype slash = name.lastIndexOf(u'/'); slash >= 0) {
        dir = QDir(folder).filePath(name.left(slash + 1));
        name = name.mid(slash + 1);
    }
    const QStringList filters = name.isEmpty() ? QStringList() : QStringList{name};
    return QDir(dir).entryList(filters, QDir::Files | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
}

// "date-time  length" of a file, or nothing when it cannot be read.
std::optional<QString> DateAndSize(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile()) return std::nullopt;
    return QLocale().toString(info.lastModified(), QLocale::ShortFormat) + QStringLiteral("  ") +
           QString::number(info.size());
}

// A magnifying glass for the search button.
QIcon SearchIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(40, 40, 40), 3.5));
    painter.setBrush(QColor(200, 225, 250));
    painter.drawEllipse(QRectF(4, 4, 17, 17));
    painter.setPen(QPen(QColor(40, 40, 40), 5.0, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(19.5, 19.5), QPointF(28, 28));
    return QIcon(pixmap);
}

// A label that shows changing text (paths, dates, messages): it never widens the window.
QLabel* NewInfoLabel(QWidget* parent, const QString& name) {
    QLabel* label = NewLabel(parent, name);
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    label->setMinimumWidth(0);
    // Empty or not, it keeps its line, so the layout does not jump when text appears.
    label->setMinimumHeight(label->fontMetrics().height());
    return label;
}

}  // namespace

QStringList MachineDrives() {
    QStringList drives;
#ifdef Q_OS_WIN
    for (const QFileInfo& drive : QDir::drives()) drives << drive.absolutePath().left(2).toLower();
#else
    drives << QDir::rootPath();
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady()) continue;
        const QString root = volume.rootPath();
        // Memory file systems and the system's own mounts hold no drawings.
        static const QByteArrayList memoryTypes{"tmpfs", "ramfs", "devtmpfs", "squashfs", "overlay"};
        if (memoryTypes.contains(volume.fileSystemType())) continue;
        if (root.startsWith(QLatin1String("/proc")) || root.startsWith(QLatin1String("/sys")) ||
            root.startsWith(QLatin1String("/dev")) || root.startsWith(QLatin1String("/run")) ||
            root.startsWith(QLatin1String("/snap")))
            continue;
        // Containers mount single files too; only folders are drives.
        if (QFileInfo(root).isDir() && !drives.contains(root)) drives << root;
    }
#endif
    std::sort(drives.begin(), drives.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return drives;
}

Form1::Form1(const WindowContext& context, QWidget* parent) : QWidget(parent), context_(context) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(kWindowTitle);
    BuildControls();
    frontend_ = std::make_unique<WidgetFrontend>(this, Label4, progress_, context_.dialogs, context_.desktop);
    // A run over thousands of drawings changes its "Processing ..." text and count many times a second.
    frontend_->SetUpdateInterval(100);
    // A hundred times a second is enough for clicks and repaints.
    frontend_->SetYieldInterval(10);
}

Form1::~Form1() = default;

// --- Building ---------------------------------------------------------------------------------------

void Form1::MakePane(Pane& pane, const QString& driveName, const QString& dirName, const QString& listName) {
    pane.drive = new QComboBox(this);
    pane.drive->setObjectName(driveName);
    pane.drive->setToolTip(QStringLiteral(" Select disk drive "));
    pane.path = new QComboBox(this);
    pane.path->setObjectName(driveName == QLatin1String("Drive1") ? QStringLiteral("Path1") : QStringLiteral("Path3"));
    pane.path->setEditable(true);
    pane.path->setInsertPolicy(QComboBox::NoInsert);
    pane.path->setMaxVisibleItems(12);
    pane.path->setToolTip(QStringLiteral(" Type or paste a folder and press Enter; recent folders in the list "));
    pane.path->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    pane.path->setMinimumContentsLength(12);
    pane.dir = new FolderView(this);
    pane.dir->setObjectName(dirName);
    pane.dir->setToolTip(QStringLiteral(" Select directory "));
    pane.list = new FittedListWidget(this);
    pane.list->setObjectName(listName);
    const QStringList drives = context_.drives ? context_.drives() : MachineDrives();
    for (const QString& drive : drives) pane.drive->addItem(QDir::toNativeSeparators(drive), drive);
    Pane* p = &pane;
    connect(pane.drive, &QComboBox::activated, this, [this, p](int index) { OnDriveChosen(*p, index); });
    connect(pane.dir, &FolderView::folderChosen, this, [this, p](const QString& f) { OnFolderChosen(*p, f); });
    connect(pane.path->lineEdit(), &QLineEdit::returnPressed, this, [this, p] { OnPathEntered(*p); });
    connect(pane.path, &QComboBox::activated, this, [this, p] { OnPathEntered(*p); });
}

void Form1::BuildControls() {
    BuildDrawingPane();
    BuildTemplatePane();
    BuildCommands();
    BuildMessages();
    ArrangeControls();
    ConnectControls();
    resize(900, 680);
}

QGroupBox* Form1::BuildDrawingPane() {
    Frame1 = new QGroupBox(QStringLiteral("1) Select Drawings to Modify"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    MakePane(drawings_, QStringLiteral("Drive1"), QStringLiteral("Dir1"), QStringLiteral("List2"));
    drawings_.list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Text5 = NewEdit(this, QStringLiteral("Text5"), QStringLiteral("*") + context_.drawingExtension);
    Text5->setToolTip(QStringLiteral(" File name pattern of the drawings to list "));
    Command9 = NewButton(this, QStringLiteral("Command9"), QStringLiteral(".."), QStringLiteral("File spec screen"));
    Command9->setFixedWidth(Command9->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 24);
    Command13 = NewButton(this, QStringLiteral("Command13"), QStringLiteral("Select All"),
                          QStringLiteral(" Select all drawings "));
    Command14 = NewButton(this, QStringLiteral("Command14"), QStringLiteral("Unselect All"),
                          QStringLiteral(" Unselect all drawings "));
    Command13->setEnabled(false);
    Command14->setEnabled(false);
    // The pattern row has the height of the template pane's pattern row, so the panes line up.
    patternRowHeight_ = qMax(Text5->sizeHint().height(), Command9->sizeHint().height());
    Text5->setFixedHeight(patternRowHeight_);
    Command9->setFixedHeight(patternRowHeight_);
    Label2 = NewInfoLabel(this, QStringLiteral("Label2"));
    Label3 = NewInfoLabel(this, QStringLiteral("Label3"));
    Label12 = NewInfoLabel(this, QStringLiteral("Label12"));

    auto* grid = new QGridLayout(Frame1);
    grid->addWidget(NewLabel(Frame1, QStringLiteral("Label7"), QStringLiteral("Drive:")), 0, 0);
    grid->addWidget(drawings_.drive, 0, 1, 1, 3);
    grid->addWidget(NewLabel(Frame1, QStringLiteral("Label8"), QStringLiteral("Folder:")), 1, 0, Qt::AlignTop);
    auto* folderColumn = new QVBoxLayout;
    folderColumn->addWidget(drawings_.path);
    folderColumn->addWidget(drawings_.dir, 1);
    grid->addLayout(folderColumn, 1, 1, 1, 3);
    grid->addWidget(NewLabel(Frame1, QStringLiteral("Label9"), QStringLiteral("Files:")), 2, 0);
    auto* patternRow = new QHBoxLayout;
    patternRow->addWidget(Text5, 1);
    patternRow->addWidget(Command9);
    grid->addLayout(patternRow, 2, 1, 1, 3);
    grid->addWidget(drawings_.list, 3, 0, 1, 4);
    auto* counts = new QHBoxLayout;
    counts->addWidget(Label3, 1);
    counts->addWidget(Label12, 1);
    grid->addLayout(counts, 4, 0, 1, 4);
    grid->addWidget(Label2, 5, 0, 1, 4);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Command13);
    buttons->addWidget(Command14);
    buttons->addStretch();
    grid->addLayout(buttons, 6, 0, 1, 4);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(1, 3);
    grid->setRowStretch(3, 3);
    return Frame1;
}

QGroupBox* Form1::BuildTemplatePane() {
    Frame4 = new QGroupBox(QStringLiteral("2) Select Template File to Use"), this);
    Frame4->setObjectName(QStringLiteral("Frame4"));
    MakePane(templates_, QStringLiteral("Drive3"), QStringLiteral("Dir3"), QStringLiteral("List1"));
    templates_.list->setSelectionMode(QAbstractItemView::SingleSelection);
    Label5 = NewInfoLabel(this, QStringLiteral("Label5"));
    Label6 = NewInfoLabel(this, QStringLiteral("Label6"));

    // The same rows as the drawing pane, so that the two lists line up.
    auto* grid = new QGridLayout(Frame4);
    grid->addWidget(NewLabel(Frame4, QStringLiteral("Label10"), QStringLiteral("Drive:")), 0, 0);
    grid->addWidget(templates_.drive, 0, 1);
    grid->addWidget(NewLabel(Frame4, QStringLiteral("Label11"), QStringLiteral("Folder:")), 1, 0, Qt::AlignTop);
    auto* folderColumn = new QVBoxLayout;
    folderColumn->addWidget(templates_.path);
    folderColumn->addWidget(templates_.dir, 1);
    grid->addLayout(folderColumn, 1, 1);
    grid->addWidget(NewLabel(Frame4, QStringLiteral("Label13"), QStringLiteral("Files:")), 2, 0);
    QLabel* templatePattern = NewLabel(Frame4, QStringLiteral("Label14"), QStringLiteral("*.txt"));
    templatePattern->setFixedHeight(patternRowHeight_);
    grid->addWidget(templatePattern, 2, 1);
    grid->addWidget(templates_.list, 3, 0, 1, 2);
    grid->addWidget(Label5, 4, 0, 1, 2);
    grid->addWidget(Label6, 5, 0, 1, 2);
    auto* buttonRow = new QWidget(Frame4);  // the place of the drawing pane's buttons
    buttonRow->setFixedHeight(Command13->sizeHint().height());
    grid->addWidget(buttonRow, 6, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(1, 3);
    grid->setRowStretch(3, 3);
    return Frame4;
}

void Form1::BuildCommands() {
    chkAudit = NewCheck(this, QStringLiteral("chkAudit"), QStringLiteral("Update audit log file"));
    chkAudit->setChecked(true);
    chkType = NewCheck(this, QStringLiteral("chkType"), QStringLiteral("Multiple Line Text"));
    txtDelimiter = NewEdit(this, QStringLiteral("txtDelimiter"), QStringLiteral(","));
    txtDelimiter->setFixedWidth(txtDelimiter->fontMetrics().horizontalAdvance(QStringLiteral("MMMM")) + 12);
    // Blanks never reach it, and leaving it empty gives it its ",".
    txtDelimiter->installEventFilter(this);
    Label1 = NewLabel(this, QStringLiteral("Label1"), QStringLiteral("Delimiter"), txtDelimiter);
    cmdOpen = new QToolButton(this);
    cmdOpen->setObjectName(QStringLiteral("cmdOpen"));
    cmdOpen->setIcon(SearchIcon());
    cmdOpen->setIconSize(QSize(24, 24));
    cmdOpen->setText(QStringLiteral("Find Text"));
    cmdOpen->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    cmdOpen->setToolTip(QStringLiteral(" Search drawings for specific text  "));
    Command15 = NewButton(this, QStringLiteral("Command15"), QStringLiteral("3) &Modify Text"),
                          QStringLiteral(" Modify text in selected drawings "));
    Command15->setEnabled(false);
    // What Modify Text would change, shown before anything is saved; enabled with Modify Text.
    cmdPreview = NewButton(this, QStringLiteral("cmdPreview"), QStringLiteral("&Preview"),
                           QStringLiteral(" Show what Modify Text would change, saving nothing "));
    cmdPreview->setEnabled(false);
    Command5 = NewButton(this, QStringLiteral("Command5"), QStringLiteral("&File"),
                         QStringLiteral("Read drawings and templates from a file"));
    cmdStop = NewButton(this, QStringLiteral("cmdStop"), QStringLiteral("S&top"),
                        QStringLiteral(" Stop the run after the drawing in hand "));
    cmdStop->setEnabled(false);
    Command4 = NewButton(this, QStringLiteral("Command4"), QStringLiteral("&About"),
                         QStringLiteral("Help and info about QLN"));
    Command2 = NewButton(this, QStringLiteral("Command2"), QStringLiteral("E&xit"), QStringLiteral("Exit QLN"));
    for (QWidget* w : {static_cast<QWidget*>(Command15), static_cast<QWidget*>(cmdPreview), static_cast<QWidget*>(Command5),
                       static_cast<QWidget*>(cmdOpen), static_cast<QWidget*>(cmdStop)})
        w->setMinimumHeight(34);
}

QGroupBox* Form1::BuildMessages() {
    // System messages: the status line and, while a run reports progress, its bar.
    Frame5 = new QGroupBox(QStringLiteral("System Messages"), this);
    Frame5->setObjectName(QStringLiteral("Frame5"));
    Label4 = NewInfoLabel(Frame5, QStringLiteral("Label4"));
    progress_ = new QProgressBar(Frame5);
    progress_->setObjectName(QStringLiteral("prgRun"));
    progress_->setMinimumWidth(progress_->fontMetrics().horizontalAdvance(QStringLiteral("00000 of 00000")) + 24);
    progress_->setMaximumWidth(qMax(220, progress_->minimumWidth()));
    progress_->setTextVisible(true);
    // In the middle of the bar the count stays readable over the fill as well as beside it.
    progress_->setAlignment(Qt::AlignCenter);
    lblOutcome = NewLabel(Frame5, QStringLiteral("lblOutcome"));
    lblOutcome->setTextFormat(Qt::RichText);
    lblOutcome->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    lblOutcome->hide();
    lblJournal = NewLabel(Frame5, QStringLiteral("lblJournal"));
    lblJournal->hide();
    cmdAuditLog = new QToolButton(Frame5);
    cmdAuditLog->setObjectName(QStringLiteral("cmdAuditLog"));
    cmdAuditLog->setText(QStringLiteral("audit.log"));
    cmdAuditLog->setToolTip(QStringLiteral(" Open the audit log "));
    cmdAuditLog->setAutoRaise(true);
    // The status line is as tall as the bar, so the window does not move when the bar comes and goes.
    Label4->setMinimumHeight(qMax(Label4->minimumHeight(), progress_->sizeHint().height()));
    auto* row = new QHBoxLayout(Frame5);
    row->addWidget(Label4, 1);
    row->addWidget(lblOutcome);
    row->addWidget(lblJournal);
    row->addWidget(progress_);
    row->addWidget(cmdAuditLog);
    return Frame5;
}

void Form1::ArrangeControls() {
    auto* options = new QHBoxLayout;
    options->addWidget(chkAudit);
    options->addSpacing(16);
    options->addWidget(chkType);
    options->addSpacing(16);
    options->addWidget(Label1);
    options->addWidget(txtDelimiter);
    options->addStretch();
    // The commands on a row of their own: with large fonts one row would be wider than the screen.
    auto* commands = new QHBoxLayout;
    commands->addStretch();
    commands->addWidget(cmdOpen);
    commands->addSpacing(8);
    commands->addWidget(Command5);
    commands->addWidget(cmdPreview);
    commands->addWidget(Command15);
    commands->addWidget(cmdStop);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Frame5, 1);
    auto* closeButtons = new QVBoxLayout;
    closeButtons->addStretch();
    closeButtons->addWidget(Command4);
    closeButtons->addWidget(Command2);
    bottom->addLayout(closeButtons);

    auto* panes = new QHBoxLayout;
    panes->addWidget(Frame1, 1);
    panes->addWidget(Frame4, 1);

    // The panes and commands scroll when the screen has less room than they ask for (large fonts, small
    // screens); the status line and Exit always show.
    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("content"));
    auto* contentLayout = new QVBoxLayout(content);
    contentLayout->setContentsMargins(0, 0, 0, 0);
    contentLayout->addLayout(panes, 1);
    contentLayout->addLayout(options);
    contentLayout->addLayout(commands);
    auto* scroller = new QScrollArea(this);
    scroller->setObjectName(QStringLiteral("scroller"));
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setWidgetResizable(true);
    scroller->setWidget(content);
    // As large as the content wants when there is room.
    scroller->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(BuildMenus());
    layout->addWidget(scroller, 1);
    layout->addLayout(bottom);
}

void Form1::ConnectControls() {
    connect(Text5, &QLineEdit::textChanged, this, [this] { RefreshDrawings(); });
    connect(drawings_.list, &QListWidget::itemSelectionChanged, this, &Form1::OnDrawingSelectionChanged);
    connect(drawings_.list, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        if (item && !running_) Q_EMIT drawingReportRequested(item->text());
    });
    connect(templates_.list, &QListWidget::itemSelectionChanged, this, &Form1::OnTemplateSelectionChanged);
    connect(templates_.list, &QListWidget::itemDoubleClicked, this, &Form1::OnTemplateDoubleClicked);
    connect(Command13, &QPushButton::clicked, this, &Form1::SelectAllDrawings);
    connect(Command14, &QPushButton::clicked, this, &Form1::UnselectAllDrawings);
    connect(chkType, &QCheckBox::toggled, this, [this] { context_.state.blnMultipleLineText = chkType->isChecked(); });
    connect(Command15, &QPushButton::clicked, this, &Form1::modifyRequested);
    connect(cmdPreview, &QPushButton::clicked, this, &Form1::previewRequested);
    connect(Command5, &QPushButton::clicked, this, &Form1::drawingListRequested);
    connect(cmdOpen, &QToolButton::clicked, this, &Form1::findTextRequested);
    connect(Command9, &QPushButton::clicked, this, &Form1::fileSpecificationsRequested);
    connect(Command4, &QPushButton::clicked, this, &Form1::ShowAbout);
    connect(Command2, &QPushButton::clicked, this, &QWidget::close);
    connect(cmdStop, &QPushButton::clicked, this, &Form1::stopRequested);
    connect(cmdAuditLog, &QToolButton::clicked, this, [this] { OpenLog(QLatin1String(kAuditLog)); });
    connect(lblOutcome, &QLabel::linkActivated, this, [this] { OpenLog(QLatin1String(kErrorLog)); });

    // The drawing list follows drawings that come and go in its folder, outside runs.
    drawingWatcher_ = new QFileSystemWatcher(this);
    drawingRecheck_ = new QTimer(this);
    drawingRecheck_->setSingleShot(true);
    drawingRecheck_->setInterval(300);
    connect(drawingWatcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
        if (!running_) drawingRecheck_->start();
    });
    connect(drawingRecheck_, &QTimer::timeout, this, &Form1::RefreshDrawingsIfChanged);

    // F1 opens the FAQ file and Esc closes the window, wherever the focus is in it.
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    help->setContext(Qt::WindowShortcut);
    connect(help, &QShortcut::activated, this, &Form1::ShowHelp);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &Form1::ConfirmClose);
}

// --- Load, settings, close --------------------------------------------------------------------------

void Form1::Load(const QString& commandLine) {
    setWindowTitle(kWindowTitle);
    context_.state.programFolder = context_.programFolder;
    context_.state.strLastFolder = context_.programFolder;

    // The folder lists start at the program folder; the stored settings move them from there.
    loading_ = true;
    for (const QString& folder : context_.settings.value(settings::kRecentFolders).toStringList()) {
        drawings_.path->addItem(folder);
        templates_.path->addItem(folder);
    }
    MoveFolder(drawings_, context_.programFolder);
    MoveFolder(templates_, context_.programFolder);
    ApplySettings();
    context_.state.blnMultipleLineText = chkType->isChecked();
    loading_ = false;
    RefreshDrawings();
    RefreshTemplates();
    // The pattern last: a stored pattern that differs refreshes the drawing list again.
    const QString pattern = ReadSetting(context_.settings, settings::kPattern, QStringLiteral("*") + context_.drawingExtension);
    Text5->setText(pattern);

    pendingPath_ = TrimSpaces(commandLine);
    if (pendingPath_ == QLatin1String("/p")) pendingPath_.clear();

    // Where the logs and the report page go was decided at start with the program folder; a window
    // whose program left it undecided decides it for its program folder. When a portable copy cannot
    // write its folder, the user is told where they go instead.
    if (context_.state.layout == ProgramState::Layout::Undecided)
        DecideProgramFolders(context_.state, context_.programFolder);
    const bool moved = context_.state.logFolderMoved;
    context_.state.logFolder = QDir::toNativeSeparators(context_.state.logFolder);
    const QString whereLogsGo =
        moved ? QStringLiteral("Logs and reports go to ") + context_.state.logFolder + QStringLiteral(".") : QString();
    if (pendingPath_.isEmpty()) SetStatus(moved ? kWelcome + u' ' + whereLogsGo : kWelcome);
    else if (moved) SetStatus(whereLogsGo);
    Label4->setToolTip(whereLogsGo);
    PlaceOnScreen();
}

void Form1::PlaceOnScreen() {
    const QRect area = context_.availableGeometry ? context_.availableGeometry() : ScreenArea(this);
    PlaceWindow(this, context_.settings, settings::kMainWindowPlace, area);
}

void Form1::StartPendingRun() {
    if (!pendingPath_.isEmpty()) Q_EMIT drawingListRequested();
}

void Form1::ApplySettings() {
    const QSettings& s = context_.settings;
    // In this order; a value that cannot be applied is skipped and its control keeps its state.
    ApplyDrive(drawings_, ReadSetting(s, settings::kDrive, DefaultDrive()));
    MoveFolder(drawings_, ReadSetting(s, settings::kDir, context_.programFolder));
    ApplyDrive(templates_, ReadSetting(s, settings::kDrive3, DefaultDrive()));
    MoveFolder(templates_, ReadSetting(s, settings::kDir3, context_.programFolder));
    // A field delimiter is never empty.
    const QString delimiter = ReadSetting(s, settings::kDelimiter);
    txtDelimiter->setText(delimiter.isEmpty() ? settings::kDelimiter.fallback : delimiter);
    ApplyCheckSetting(chkAudit, s, settings::kAudit);
    ApplyCheckSetting(chkType, s, settings::kTextType);
}

void Form1::WriteSettings() {
    QSettings& s = context_.settings;
    s.setValue(settings::kDrive, drawings_.drive->currentText());
    s.setValue(settings::kDir, DrawingFolder());
    s.setValue(settings::kDrive3, templates_.drive->currentText());
    s.setValue(settings::kDir3, TemplateFolder());
    s.setValue(settings::kDelimiter.key, txtDelimiter->text());
    s.setValue(settings::kAudit.key, CheckSetting(chkAudit));
    s.setValue(settings::kTextType.key, CheckSetting(chkType));
    s.sync();
}

void Form1::closeEvent(QCloseEvent* event) {
    // Leaving the delimiter box by closing the window still gives it its "," when empty.
    if (txtDelimiter->text().isEmpty()) txtDelimiter->setText(settings::kDelimiter.fallback);
    if (writeSettingsOnClose_) {
        RememberPlace(this, context_.settings, settings::kMainWindowPlace);
        WriteSettings();
    }
    event->accept();
}

void Form1::EndProgram() {
    writeSettingsOnClose_ = false;
    close();
    QCoreApplication::exit(0);
}

// --- Drives and folders -----------------------------------------------------------------------------

QString Form1::DefaultDrive() const {
#ifdef Q_OS_WIN
    return context_.programFolder.left(2);
#else
    return QDir::rootPath();
#endif
}

QString Form1::DriveOf(const QString& folder) const {
    // The drive whose root is the longest leading part of the folder (mount points nest).
    const QString path = QDir::fromNativeSeparators(folder);
    QString best;
    for (int i = 0; i < drawings_.drive->count(); ++i) {
        const QString drive = drawings_.drive->itemData(i).toString();
        const QString root = DriveRootFolder(drive);
        const QString prefix = root.endsWith(u'/') ? root : root + u'/';
        const bool inside = path.compare(root, kPathCase) == 0 || path.startsWith(prefix, kPathCase) ||
                            (path + u'/').compare(prefix, kPathCase) == 0;
        if (inside && drive.size() > best.size()) best = drive;
    }
    return best;
}

bool Form1::ApplyDrive(Pane& pane, const QString& drive) {
    const QString wanted = QDir::fromNativeSeparators(drive);
    for (int i = 0; i < pane.drive->count(); ++i) {
        const QString known = pane.drive->itemData(i).toString();
        if (known.compare(wanted, kPathCase) != 0) continue;
        if (!MoveFolder(pane, DriveRootFolder(known))) return false;
        pane.drive->setCurrentIndex(i);
        return true;
    }
    return false;
}

bool Form1::MoveFolder(Pane& pane, const QString& folder) {
    if (folder.isEmpty()) return false;
    const QFileInfo info(QDir::fromNativeSeparators(folder));
    if (!info.isDir() || !info.isReadable()) return false;
    const QString path = QDir::cleanPath(info.absoluteFilePath());
    const QString drive = DriveOf(path);
    if (const int index = pane.drive->findData(drive); index >= 0) pane.drive->setCurrentIndex(index);
    pane.dir->SetDrive(drive.isEmpty() ? QDir::rootPath() : DriveRootFolder(drive));
    pane.dir->SetFolder(path);
    pane.path->setEditText(QDir::toNativeSeparators(path));
    const bool changed = path != pane.folder;
    if (&pane == &drawings_ && changed) {
        if (!drawingWatcher_->directories().isEmpty()) drawingWatcher_->removePaths(drawingWatcher_->directories());
        drawingWatcher_->addPath(path);
    }
    pane.folder = path;
    if (!loading_ && changed) RememberFolder(QDir::toNativeSeparators(path));
    if (changed) FolderChanged(pane);
    return true;
}

void Form1::FolderChanged(Pane& pane) {
    if (loading_) return;
    if (&pane == &drawings_) RefreshDrawings();
    else RefreshTemplates();
}

void Form1::OnFolderChosen(Pane& pane, const QString& folder) {
    if (!MoveFolder(pane, folder)) {
        // An unreadable folder: keep showing the one the pane lists.
        pane.dir->SetFolder(pane.folder);
        QApplication::beep();
    }
}

void Form1::OnPathEntered(Pane& pane) {
    const QString typed = TrimSpaces(pane.path->currentText());
    if (typed.isEmpty()) return;
    // "~" is the user's home folder, as in a shell.
    QString folder = QDir::fromNativeSeparators(typed);
    if (folder == u'~' || folder.startsWith(QLatin1String("~/"))) folder = QDir::homePath() + folder.mid(1);
    if (MoveFolder(pane, folder)) {
        pane.list->setFocus();
        return;
    }
    frontend_->Beep();
    SetStatus(QStringLiteral("Folder not found or not readable: ") + typed);
}

void Form1::RememberFolder(const QString& folder) {
    QStringList recent = context_.settings.value(settings::kRecentFolders).toStringList();
    recent.removeAll(folder);
    recent.prepend(folder);
    while (recent.size() > 12) recent.removeLast();
    context_.settings.setValue(settings::kRecentFolders, recent);
    for (Pane* pane : {&drawings_, &templates_}) {
        const QString shown = pane->path->currentText();
        pane->path->clear();
        pane->path->addItems(recent);
        pane->path->setEditText(shown);
    }
}

void Form1::OnDriveChosen(Pane& pane, int index) {
    const QString rootFolder = DriveRootFolder(pane.drive->itemData(index).toString());
    if (MoveFolder(pane, rootFolder)) return;

    const QFileInfo info(rootFolder);
    int number = 76;
    QString description = QStringLiteral("Path not found");
#ifdef Q_OS_WIN
    if (!QStorageInfo(rootFolder).isReady()) number = 71;
#endif
    if (number != 71 && info.exists()) {
        number = 75;
        description = QStringLiteral("Path/File access error");
    }
    frontend_->Beep();
    if (number == 68 || number == 71) {
        context_.dialogs.Message(this, Dialogs::Icon::Warning, kApplicationTitle,
                                 QStringLiteral("Error ") + QString::number(number) +
                                     QStringLiteral(":  No Floppy in the Drive!"));
        ApplyDrive(pane, QStringLiteral("c:"));
        return;
    }
    context_.dialogs.Message(this, Dialogs::Icon::Warning, kApplicationTitle,
                             QStringLiteral("Error ") + QString::number(number) + QStringLiteral(": ") + description);
    // The folder list stays where it was, and the drive list with it.
    if (const int back = pane.drive->findData(DriveOf(pane.folder)); back >= 0) pane.drive->setCurrentIndex(back);
}

bool Form1::SetDrawingDrive(const QString& drive) { return ApplyDrive(drawings_, drive); }
bool Form1::SetDrawingFolder(const QString& folder) { return MoveFolder(drawings_, folder); }
void Form1::SetDrawingPattern(const QString& pattern) { Text5->setText(pattern); }
bool Form1::SetTemplateFolder(const QString& folder) { return MoveFolder(templates_, folder); }

QString Form1::DrawingFolder() const { return QDir::toNativeSeparators(drawings_.folder); }
QString Form1::TemplateFolder() const { return QDir::toNativeSeparators(templates_.folder); }

QString Form1::FolderPrefix(const QString& folder) {
    const QChar separator = QDir::separator();
    if (folder.endsWith(separator) || folder.endsWith(u'/')) return folder;
    return folder + separator;
}

// --- Lists ------------------------------------------------------------------------------------------

void Form1::FitScrollWidth(FittedListWidget* list) {
    const QFontMetrics metrics(font());
    int widest = 0;
    for (int i = 0; i < list->count(); ++i) widest = qMax(widest, metrics.horizontalAdvance(list->item(i)->text()));
    list->SetHorizontalExtent(widest + 25);
}

void Form1::RefreshDrawings() {
    if (loading_) return;
    FillDrawingList(ListFiles(drawings_.folder, Text5->text()));
    Label2->clear();
    SetStatus(QString());
    Label12->clear();
    EnableModify(false);
    const bool any = drawings_.list->count() > 0;
    if (any) {
        FitScrollWidth(drawings_.list);
        Label3->setText(QString::number(drawings_.list->count()) + QStringLiteral(" files"));
    } else {
        drawings_.list->SetHorizontalExtent(0);
        Label3->clear();
    }
    Command13->setEnabled(any);
    Command14->setEnabled(any);
    drawings_.list->setToolTip(any ? QStringLiteral(" Double-click on file to view text ") : QString());
}

void Form1::FillDrawingList(const QStringList& names) {
    ++drawingListFills_;
    handlingSelection_ = true;
    drawings_.list->clear();
    drawings_.list->addItems(names);
    handlingSelection_ = false;
}

void Form1::RefreshDrawingsIfChanged() {
    if (loading_ || running_) return;
    const QStringList names = ListFiles(drawings_.folder, Text5->text());
    QStringList listed;
    QStringList selected;
    for (int i = 0; i < drawings_.list->count(); ++i) {
        listed << drawings_.list->item(i)->text();
        if (drawings_.list->item(i)->isSelected()) selected << listed.last();
    }
    // A temporary, backup or log file coming and going is no reason to read the list again.
    if (names == listed) return;
    const QString current = drawings_.list->currentItem() ? drawings_.list->currentItem()->text() : QString();
    FillDrawingList(names);
    handlingSelection_ = true;
    for (int i = 0; i < drawings_.list->count(); ++i) {
        QListWidgetItem* item = drawings_.list->item(i);
        if (item->text() == current) drawings_.list->setCurrentItem(item, QItemSelectionModel::NoUpdate);
        if (selected.contains(item->text())) item->setSelected(true);
    }
    handlingSelection_ = false;
    const bool any = drawings_.list->count() > 0;
    FitScrollWidth(drawings_.list);
    Label3->setText(any ? QString::number(drawings_.list->count()) + QStringLiteral(" files") : QString());
    const auto count = drawings_.list->selectedItems().size();
    Label12->setText(count ? QString::number(count) + QStringLiteral(" sel") : QString());
    Command13->setEnabled(any);
    Command14->setEnabled(any);
    ApplyRunButtonRule();
}

void Form1::RefreshTemplates() {
    if (loading_) return;
    handlingSelection_ = true;
    templates_.list->clear();
    templates_.list->addItems(ListFiles(templates_.folder, QStringLiteral("*.txt")));
    handlingSelection_ = false;
    if (templates_.list->count() > 0) {
        FitScrollWidth(templates_.list);
        templates_.list->setToolTip(QStringLiteral(" Double-click on file to open in text editor "));
        Label5->setText(QString::number(templates_.list->count()) + QStringLiteral(" files"));
    } else {
        templates_.list->SetHorizontalExtent(0);
        templates_.list->setToolTip(QString());
        Label5->clear();
    }
    Label6->clear();
    EnableModify(false);
}

void Form1::EnableModify(bool enabled) {
    Command15->setEnabled(enabled);
    cmdPreview->setEnabled(enabled);
}

void Form1::ApplyRunButtonRule() {
    const bool ready = !templates_.list->selectedItems().isEmpty() && !drawings_.list->selectedItems().isEmpty();
    EnableModify(ready && !running_);
}

void Form1::OnDrawingSelectionChanged() {
    if (handlingSelection_) return;
    QListWidget* list = drawings_.list;
    const auto selected = static_cast<std::int16_t>(list->selectedItems().size());
    const auto current = static_cast<std::int16_t>(list->currentRow());
    if (QListWidgetItem* item = list->currentItem(); item && item->isSelected()) {
        // A file gone since the list was filled leaves the label as it was.
        if (auto text = DateAndSize(FolderPrefix(drawings_.folder) + item->text())) Label2->setText(*text);
    } else {
        Label2->clear();
    }
    if (current != lastDrawingIndex_) SetStatus(QString());
    ApplyRunButtonRule();
    Label12->setText(selected != 0 ? QString::number(selected) + QStringLiteral(" sel") : QString());
    lastDrawingIndex_ = current;
}

void Form1::OnTemplateSelectionChanged() {
    if (handlingSelection_) return;
    ApplyRunButtonRule();
    const QList<QListWidgetItem*> selected = templates_.list->selectedItems();
    if (selected.isEmpty()) {
        Label6->clear();
    } else if (auto text = DateAndSize(FolderPrefix(templates_.folder) + selected.first()->text())) {
        Label6->setText(*text);
    }
}

void Form1::OnTemplateDoubleClicked() {
    const QList<QListWidgetItem*> selected = templates_.list->selectedItems();
    if (selected.isEmpty()) return;
    context_.desktop.OpenInTextEditor(QDir::toNativeSeparators(FolderPrefix(templates_.folder) + selected.first()->text()));
}

void Form1::SelectAllDrawings() {
    QListWidget* list = drawings_.list;
    std::int16_t count = 0;
    handlingSelection_ = true;
    for (int i = 0; i < list->count(); ++i, ++count) {
        if (!list->item(i)->isSelected()) list->item(i)->setSelected(true);
    }
    handlingSelection_ = false;
    ApplyRunButtonRule();
    Label12->setText(QString::number(count) + QStringLiteral(" sel"));
    SetStatus(QString::number(count) + QStringLiteral(" drawing(s) selected."));
}

void Form1::ClearDrawingSelection() {
    handlingSelection_ = true;
    drawings_.list->clearSelection();
    handlingSelection_ = false;
    Label12->clear();
    EnableModify(false);
}

void Form1::UnselectAllDrawings() {
    QListWidget* list = drawings_.list;
    std::int16_t count = 0;
    handlingSelection_ = true;
    for (int i = 0; i < list->count(); ++i, ++count) {
        if (list->item(i)->isSelected()) list->item(i)->setSelected(false);
    }
    handlingSelection_ = false;
    SetStatus(QString::number(count) + QStringLiteral(" drawing(s) unselected."));
    Label12->clear();
    EnableModify(false);
}

// --- Status, runs, current drawing -------------------------------------------------------------------

Frontend& Form1::UserInterface() { return *frontend_; }
void Form1::SetStatus(const QString& text) { frontend_->SetStatus(text); }
QString Form1::Status() const { return Label4->text(); }
QListWidget* Form1::DrawingList() const { return drawings_.list; }
QListWidget* Form1::TemplateList() const { return templates_.list; }
QString Form1::Delimiter() const { return txtDelimiter->text(); }
bool Form1::AuditEnabled() const { return chkAudit->isChecked(); }
bool Form1::JournalEnabled() const { return journalAction_->isChecked(); }

void Form1::SetCurrentDrawing(const QString& name, const QString& path) {
    currentDrawingName_ = name;
    currentDrawingPath_ = path;
}

void Form1::SetRunning(bool running) {
    running_ = running;
    Command5->setEnabled(!running);
    cmdOpen->setEnabled(!running);
    cmdStop->setEnabled(running);
    // Nothing that changes the run's selection while it goes on.
    Frame1->setEnabled(!running);
    Frame4->setEnabled(!running);
    for (QAction* action : runActions_) action->setEnabled(!running);
    if (stopAction_) stopAction_->setEnabled(running);
    // The folder trees stop following the disk while the run writes temporary and backup files.
    drawings_.dir->SetWatching(!running);
    templates_.dir->SetWatching(!running);
    if (running) {
        drawingRecheck_->stop();
        ShowRunOutcome(0, false);
        ShowJournalNote(QString(), QString());
    }
    ApplyRunButtonRule();
    if (!running) {
        RefreshDrawingsIfChanged();
        // Back to the drawings, not to whichever button follows a disabled one.
        drawings_.list->setFocus();
    }
}

bool Form1::FolderTreesWatching() const { return drawings_.dir->IsWatching() && templates_.dir->IsWatching(); }

void Form1::ShowRunOutcome(int failed, bool errorsLogged) {
    if (failed <= 0 && !errorsLogged) {
        lblOutcome->clear();
        lblOutcome->hide();
        return;
    }
    const QString what = failed > 0 ? QString::number(failed) + QStringLiteral(" failed.") : QStringLiteral("Errors logged.");
    lblOutcome->setText(QStringLiteral("<b>%1</b> <a href=\"err.log\">Open err.log</a>").arg(what.toHtmlEscaped()));
    lblOutcome->setToolTip(QDir::toNativeSeparators(QDir(context_.state.LogFolder()).filePath(QLatin1String(kErrorLog))));
    lblOutcome->show();
}

void Form1::ShowJournalNote(const QString& note, const QString& details) {
    lblJournal->setText(note);
    lblJournal->setToolTip(details);
    lblJournal->setVisible(!note.isEmpty());
}

QString Form1::JournalNote() const { return lblJournal->isVisible() ? lblJournal->text() : QString(); }

QString Form1::RunOutcome() const { return lblOutcome->isVisible() ? lblOutcome->text() : QString(); }

void Form1::NotifyRunEnded(const QString& summary) {
    if (isActiveWindow()) return;
    context_.desktop.Notify(this, kWindowTitle, summary);
}

// --- Window-level commands and events -----------------------------------------------------------------

void Form1::ShowHelp() {
    OpenInEditorOrSay(QDir::toNativeSeparators(QDir(context_.programFolder).filePath(QStringLiteral("faq.fil"))));
}

void Form1::OpenInEditorOrSay(const QString& path) {
    if (context_.desktop.OpenInTextEditor(path)) return;
    context_.dialogs.Message(this, Dialogs::Icon::Warning, kApplicationTitle,
                             QStringLiteral("No program could be started to show the file. Open it yourself:\n") + path);
}

void Form1::OpenLog(const QString& name) {
    const QString path = QDir::toNativeSeparators(QDir(context_.state.LogFolder()).filePath(name));
    if (!QFileInfo(path).isFile()) {
        context_.dialogs.Message(this, Dialogs::Icon::Information, kApplicationTitle,
                                 QStringLiteral("There is no ") + name + QStringLiteral(" yet (") + path + u')');
        return;
    }
    OpenInEditorOrSay(path);
}

void Form1::ConfirmClose() {
    // A run asks its own question when the window closes.
    if (!running_) {
        const auto answer = context_.dialogs.Message(this, Dialogs::Icon::Question, kApplicationTitle,
                                                     QStringLiteral("Exit ") + kApplicationTitle + u'?',
                                                     Dialogs::Buttons::YesNo);
        if (answer != Dialogs::Answer::Yes) return;
    }
    close();
}

void Form1::ShowAbout() {
    Form3 about(context_, this);
    about.exec();
}

void Form1::BringToFront() {
    if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void Form1::CheckScreenSize() {
    QSize size;
    if (context_.screenSize) size = context_.screenSize();
    else if (QScreen* s = screen()) size = s->size();
    if (!size.isValid() || size.height() >= 600 || size.width() >= 800) return;
    sizeNoticeOpen_ = true;
    context_.dialogs.Message(this, Dialogs::Icon::None, kApplicationTitle,
                             kApplicationTitle + QStringLiteral(" is best suited for display setting 600 by 800 and greater."));
    sizeNoticeOpen_ = false;
}

bool Form1::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::Show:
            // Once the window manager has framed the window, the frame too must fit the screen.
            if (!framedOnce_) {
                framedOnce_ = true;
                QTimer::singleShot(50, this, [this] {
                    KeepFrameOnScreen(this, context_.availableGeometry ? context_.availableGeometry() : ScreenArea(this));
                });
            }
            break;
        case QEvent::WindowActivate:
            // Once per activation, and never for the activation that follows the notice's own box.
            if (sizeNoticeArmed_) {
                sizeNoticeArmed_ = false;
                CheckScreenSize();
            }
            break;
        case QEvent::WindowDeactivate:
            if (!sizeNoticeOpen_) sizeNoticeArmed_ = true;
            break;
        default:
            break;
    }
    return QWidget::event(event);
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (watched != txtDelimiter) return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::FocusOut && txtDelimiter->text().isEmpty()) {
        txtDelimiter->setText(settings::kDelimiter.fallback);
    } else if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->text() == QLatin1String(" ")) {
        return true;  // blanks never reach it
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace qln
