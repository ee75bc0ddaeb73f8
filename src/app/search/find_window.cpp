// Form5: the Find Text window.

#include "app/search/find_window.h"

#include "runs/file_utils.h"
#include "app/controls.h"
#include "app/main_window.h"
#include "app/search/result_table.h"
#include "app/widget_frontend.h"
#include "app/window_geometry.h"
#include "app/window_settings.h"
#include "modify/name_list.h"
#include "host/text_files.h"
#include "app/search/file_dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSaveFile>
#include <QSettings>
#include <QHeaderView>
#include <QScrollArea>
#include <QTabWidget>
#include <QTableView>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>

#include <iterator>

namespace qln {

Form5::Form5(const WindowContext& context, QWidget* parent) : QDialog(parent), context_(context) {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(kCaption);
    BuildControls();
    frontend_ = std::make_unique<WidgetFrontend>(this, lblSearch, progress_, context_.dialogs, context_.desktop);
    ApplySettings();
    SetSearching(false);
    const QRect area = context_.availableGeometry ? context_.availableGeometry() : ScreenArea(parent ? parent : this);
    PlaceWindow(this, context_.settings, settings::kFindWindowPlace, area);
}

void Form5::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    QTimer::singleShot(50, this, [this] {
        KeepFrameOnScreen(this, context_.availableGeometry ? context_.availableGeometry() : ScreenArea(this));
    });
}

Form5::~Form5() = default;

Frontend& Form5::UserInterface() { return *frontend_; }

// --- Building ---------------------------------------------------------------------------------------

void Form5::BuildControls() {
    frmCriteria = new QGroupBox(QStringLiteral("Search Criteria"), this);
    frmCriteria->setObjectName(QStringLiteral("frmCriteria"));

    cboSpace = new QComboBox(frmCriteria);
    cboSpace->setObjectName(QStringLiteral("cboSpace"));
    cboSpace->addItems({QStringLiteral("Both"), QStringLiteral("Model"), QStringLiteral("Paper")});
    txtBlocks = NewEdit(frmCriteria, QStringLiteral("txtBlocks"));
    txtLayers = NewEdit(frmCriteria, QStringLiteral("txtLayers"));
    txtAttributes = NewEdit(frmCriteria, QStringLiteral("txtAttributes"));
    txtSearch = NewEdit(frmCriteria, QStringLiteral("txtSearch"));
    txtFolder = NewEdit(frmCriteria, QStringLiteral("txtFolder"));
    Command9 = NewButton(frmCriteria, QStringLiteral("Command9"), QStringLiteral(".."));
    Command9->setToolTip(QStringLiteral(" Browse for folder "));
    Command9->setFixedWidth(Command9->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 24);
    chkCase = NewCheck(frmCriteria, QStringLiteral("chkCase"), QStringLiteral("Match Case"));
    chkWhole = NewCheck(frmCriteria, QStringLiteral("chkWhole"), QStringLiteral("Exact Phrase Match"));
    chkTag = NewCheck(frmCriteria, QStringLiteral("chkTag"), QStringLiteral("Find Multiple Line Text"));
    chkPath = NewCheck(frmCriteria, QStringLiteral("chkPath"), QStringLiteral("Include File Path"));
    txtDelimiter = NewEdit(frmCriteria, QStringLiteral("txtDelimiter"));
    txtDelimiter->setMaxLength(1);
    // One character, never a blank (typed or pasted).
    txtDelimiter->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^ ]?")), txtDelimiter));
    txtDelimiter->setFixedWidth(txtDelimiter->fontMetrics().horizontalAdvance(QStringLiteral("MMM")) + 14);
    txtDelimiter->setAlignment(Qt::AlignHCenter);
    cmdSearch = NewButton(frmCriteria, QStringLiteral("cmdSearch"), QStringLiteral("&Search"));
    cmdAbort = NewButton(frmCriteria, QStringLiteral("cmdAbort"), QStringLiteral("&Abort"));
    // Enter in the criteria starts the search.
    cmdSearch->setDefault(true);
    for (QPushButton* b : {cmdSearch, cmdAbort}) b->setMinimumWidth(b->sizeHint().width() + 24);

    {
        auto* grid = new QGridLayout(frmCriteria);
        int row = 0;
        auto* spaceRow = new QHBoxLayout;
        spaceRow->addWidget(NewLabel(frmCriteria, QStringLiteral("lblSpace"), QStringLiteral("Space"), cboSpace));
        spaceRow->addWidget(cboSpace);
        spaceRow->addStretch();
        grid->addLayout(spaceRow, row++, 0, 1, 2);
        auto addBox = [&](const QString& name, const QString& caption, QLineEdit* box, QWidget* beside = nullptr) {
            grid->addWidget(NewLabel(frmCriteria, name, caption, box), row++, 0, 1, 2);
            if (beside) {
                grid->addWidget(box, row, 0);
                grid->addWidget(beside, row++, 1);
            } else {
                grid->addWidget(box, row++, 0, 1, 2);
            }
        };
        addBox(QStringLiteral("lblBlocks"),
               QStringLiteral("Block Names (Use * for all. Separate block names with commas. Case insensitive)"),
               txtBlocks);
        addBox(QStringLiteral("lblLayers"),
               QStringLiteral("Layer Names (Use * for all. Separate layer names with commas. Case insensitive)"),
               txtLayers);
        addBox(QStringLiteral("lblAttributes"),
               QStringLiteral("Attributes (Tags whose values are searched too: * for all, commas between tags, empty for none)"),
               txtAttributes);
        addBox(QStringLiteral("lblSearchText"),
               QStringLiteral("Text to Search For (Surround a single word with spaces for whole word search)"),
               txtSearch);
        addBox(QStringLiteral("lblFolder"), QStringLiteral("Folder and File Specification"), txtFolder, Command9);

        auto* options = new QHBoxLayout;
        options->addWidget(chkCase);
        options->addSpacing(12);
        options->addWidget(chkWhole);
        options->addSpacing(12);
        options->addWidget(chkTag);
        options->addSpacing(12);
        options->addWidget(chkPath);
        options->addStretch();
        options->addWidget(NewLabel(frmCriteria, QStringLiteral("lblDelimiter"), QStringLiteral("Field Delimiter"),
                                    txtDelimiter));
        options->addWidget(txtDelimiter);
        grid->addLayout(options, row++, 0, 1, 2);

        auto* commands = new QHBoxLayout;
        commands->addStretch();
        commands->addWidget(cmdSearch);
        commands->addWidget(cmdAbort);
        grid->addLayout(commands, row++, 0, 1, 2);
        grid->setColumnStretch(0, 1);
    }

    frmResults = new QGroupBox(QStringLiteral("Search Results"), this);
    frmResults->setObjectName(QStringLiteral("frmResults"));
    txtResults = new QPlainTextEdit(frmResults);
    txtResults->setObjectName(QStringLiteral("txtResults"));
    txtResults->setReadOnly(true);
    txtResults->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtResults->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtResults->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtResults->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // The same rows as a table, one column per field, sorted by a click on a column's header.
    table_ = new ResultTableModel(this);
    tblResults = new QTableView(frmResults);
    tblResults->setObjectName(QStringLiteral("tblResults"));
    tblResults->setModel(table_);
    tblResults->setSortingEnabled(true);
    tblResults->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblResults->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblResults->setWordWrap(false);
    tblResults->horizontalHeader()->setSortIndicatorShown(true);
    tblResults->verticalHeader()->setDefaultSectionSize(tblResults->fontMetrics().height() + 6);
    tblResults->setToolTip(QStringLiteral(" Double-click on a row to copy its handle "));
    tabResults = new QTabWidget(frmResults);
    tabResults->setObjectName(QStringLiteral("tabResults"));
    tabResults->addTab(txtResults, QStringLiteral("Text"));
    tabResults->addTab(tblResults, QStringLiteral("Table"));
    cmdSave = NewButton(frmResults, QStringLiteral("cmdSave"), QStringLiteral("Save to &Text File"));
    Command1 = NewButton(frmResults, QStringLiteral("Command1"), QStringLiteral("Save to &Clipboard"));
    chkCSV = NewCheck(frmResults, QStringLiteral("chkCSV"), QStringLiteral("CSV File"));
    chkInclude =
        NewCheck(frmResults, QStringLiteral("chkInclude"), QStringLiteral("Include Search Criteria When Saving"));
    {
        auto* layout = new QVBoxLayout(frmResults);
        layout->addWidget(tabResults, 1);
        auto* saving = new QHBoxLayout;
        saving->addWidget(cmdSave);
        saving->addWidget(Command1);
        saving->addSpacing(12);
        saving->addWidget(chkCSV);
        saving->addSpacing(12);
        saving->addWidget(chkInclude);
        saving->addStretch();
        layout->addLayout(saving);
    }

    lblSearch = new QLabel(this);
    lblSearch->setObjectName(QStringLiteral("lblSearch"));
    lblSearch->setFrameShape(QFrame::StyledPanel);
    lblSearch->setFrameShadow(QFrame::Sunken);
    // Long paths never widen the window; the line keeps its height when empty.
    lblSearch->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    lblSearch->setMinimumHeight(lblSearch->fontMetrics().height() + 6);
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("prgSearch"));
    progress_->setMaximumWidth(200);
    auto* status = new QHBoxLayout;
    status->addWidget(lblSearch, 1);
    status->addWidget(progress_);

    // The criteria and results scroll when the screen has less room than they ask for (large fonts,
    // small screens); the status line always shows.
    auto* content = new QWidget;
    auto* contentLayout = new QVBoxLayout(content);
    contentLayout->setContentsMargins(0, 0, 0, 0);
    contentLayout->addWidget(frmCriteria);
    contentLayout->addWidget(frmResults, 1);
    auto* scroller = new QScrollArea(this);
    scroller->setObjectName(QStringLiteral("scroller"));
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setWidgetResizable(true);
    scroller->setWidget(content);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(scroller, 1);
    layout->addLayout(status);
    resize(820, 680);

    // The keyboard goes through the criteria in the order they are shown.
    QWidget* order[] = {cboSpace, txtBlocks, txtLayers, txtSearch, txtFolder, Command9, chkCase, chkWhole, chkTag,
                        chkPath, txtDelimiter, cmdSearch, cmdAbort, tabResults, cmdSave, Command1, chkCSV, chkInclude};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);

    connect(cmdSearch, &QPushButton::clicked, this, &Form5::Search);
    connect(cmdAbort, &QPushButton::clicked, this, &Form5::Abort);
    connect(cmdSave, &QPushButton::clicked, this, &Form5::SaveToTextFile);
    connect(Command1, &QPushButton::clicked, this, &Form5::SaveToClipboard);
    connect(Command9, &QPushButton::clicked, this, &Form5::ChooseFolderAndPattern);
    connect(tabResults, &QTabWidget::currentChanged, this, [this] {
        if (tabResults->currentWidget() == tblResults) FillTable();
    });
    connect(tblResults, &QTableView::doubleClicked, this, [this](const QModelIndex& index) { CopyHandle(index.row()); });
    for (QLineEdit* box : {txtBlocks, txtLayers, txtDelimiter}) box->installEventFilter(this);
}

// --- Settings -----------------------------------------------------------------------------------------

void Form5::ApplySettings() {
    const QSettings& s = context_.settings;
    // In this order; a value that cannot be applied leaves its control as it is.
    const int space = cboSpace->findText(ReadSetting(s, settings::kSpace), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (space >= 0) cboSpace->setCurrentIndex(space);
    ApplyCheckSetting(chkCase, s, settings::kCase);
    ApplyCheckSetting(chkWhole, s, settings::kWhole);
    ApplyCheckSetting(chkTag, s, settings::kTag);
    ApplyCheckSetting(chkPath, s, settings::kPath);
    txtDelimiter->setText(ReadSetting(s, settings::kFieldDelimiter));
    FixDelimiterBox();
    txtBlocks->setText(ReadSetting(s, settings::kBlocks));
    txtLayers->setText(ReadSetting(s, settings::kLayers));
    txtAttributes->setText(ReadSetting(s, settings::kAttributes));
    txtSearch->setText(ReadSetting(s, settings::kSearch));
    txtFolder->setText(ReadSetting(s, settings::kFolder));
    ApplyCheckSetting(chkInclude, s, settings::kInclude);
    ApplyCheckSetting(chkCSV, s, settings::kCsv);
    saveFolder_ = ReadSetting(s, settings::kTextFile, context_.state.strLastFolder);
}

void Form5::WriteSettings() {
    QSettings& s = context_.settings;
    s.setValue(settings::kSpace.key, cboSpace->currentText());
    s.setValue(settings::kCase.key, CheckSetting(chkCase));
    s.setValue(settings::kWhole.key, CheckSetting(chkWhole));
    s.setValue(settings::kTag.key, CheckSetting(chkTag));
    s.setValue(settings::kPath.key, CheckSetting(chkPath));
    s.setValue(settings::kFieldDelimiter.key, txtDelimiter->text());
    s.setValue(settings::kBlocks.key, txtBlocks->text());
    s.setValue(settings::kLayers.key, txtLayers->text());
    s.setValue(settings::kAttributes.key, txtAttributes->text());
    s.setValue(settings::kSearch.key, txtSearch->text());
    s.setValue(settings::kFolder.key, txtFolder->text());
    s.setValue(settings::kInclude.key, CheckSetting(chkInclude));
    s.setValue(settings::kCsv.key, CheckSetting(chkCSV));
    s.setValue(settings::kTextFile, saveFolder_);
    RememberPlace(this, s, settings::kFindWindowPlace);
    s.sync();
}

// --- Field rules ----------------------------------------------------------------------------------------

void Form5::FixBlockBox(QLineEdit* box) {
    if (TrimSpaces(box->text()).isEmpty()) box->setText(QStringLiteral("*"));
}

void Form5::FixDelimiterBox() {
    // A stored or pasted blank is no delimiter either.
    if (txtDelimiter->text().isEmpty() || txtDelimiter->text() == QLatin1String(" "))
        txtDelimiter->setText(QStringLiteral(","));
}

bool Form5::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        if (watched == txtBlocks || watched == txtLayers) FixBlockBox(static_cast<QLineEdit*>(watched));
        else if (watched == txtDelimiter) FixDelimiterBox();
    }
    return QDialog::eventFilter(watched, event);
}

// --- Search ---------------------------------------------------------------------------------------------

SearchCriteria Form5::Criteria() const {
    SearchCriteria c;
    c.space = cboSpace->currentText();
    c.blocks = txtBlocks->text();
    c.layers = txtLayers->text();
    c.attributes = txtAttributes->text();
    c.phrase = txtSearch->text();
    c.fileSpec = txtFolder->text();
    c.matchCase = chkCase->isChecked();
    c.wholePhrase = chkWhole->isChecked();
    c.multipleLineText = chkTag->isChecked();
    c.includePath = chkPath->isChecked();
    c.delimiter = txtDelimiter->text();
    return c;
}

void Form5::Warn(const QString& text) {
    context_.dialogs.Message(this, Dialogs::Icon::Warning, Form1::kApplicationTitle, text);
}

void Form5::SetSearching(bool searching) {
    searching_ = searching;
    cmdSearch->setEnabled(!searching);
    cmdAbort->setEnabled(searching);
    // Nothing to save until a search has found something.
    cmdSave->setEnabled(!searching && !results_.isEmpty());
    Command1->setEnabled(!searching && !results_.isEmpty());
}

void Form5::ShowResults() {
    txtResults->clear();
    // The table is read from the rows when it is looked at, not for every search.
    tableDelimiter_ = txtDelimiter->text();
    tableStale_ = true;
    if (tabResults->currentWidget() == tblResults || results_.isEmpty()) FillTable();
    if (results_.isEmpty()) return;
    // Many rows are shown a slice at a time, the window answering in between, the bar counting them.
    constexpr qsizetype kSlice = 256 * 1024;
    const qsizetype total = results_.size();
    QTextCursor cursor(txtResults->document());
    txtResults->setUpdatesEnabled(false);
    for (qsizetype at = 0; at < total;) {
        qsizetype end = at + kSlice >= total ? total : results_.indexOf(u'\n', at + kSlice);
        end = end < 0 ? total : qMin(total, end + 1);
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(QString(results_.mid(at, end - at)).remove(u'\r'));
        at = end;
        if (at < total && !context_.state.blnAbortSearch) {
            frontend_->Progress(static_cast<int>(at / 1024), static_cast<int>(total / 1024), QString());
            txtResults->setUpdatesEnabled(true);
            QCoreApplication::processEvents();
            txtResults->setUpdatesEnabled(false);
        }
    }
    txtResults->setUpdatesEnabled(true);
    frontend_->Progress(1, 1, QString());
    txtResults->moveCursor(QTextCursor::Start);
}

void Form5::FillTable() {
    if (!tableStale_) return;
    tableStale_ = false;
    table_->SetResults(results_, tableDelimiter_);
}

void Form5::CopyHandle(int row) {
    const QString handle = table_->Field(row, ResultTableModel::kHandleColumn);
    if (handle.isEmpty()) return;
    QGuiApplication::clipboard()->setText(handle);
    frontend_->SetStatus(QStringLiteral("Handle ") + handle + QStringLiteral(" copied to the Clipboard."));
}

void Form5::Search() {
    if (searching_) return;
    // Started by its access key, the search leaves no box behind: apply the rules of leaving them.
    FixBlockBox(txtBlocks);
    FixBlockBox(txtLayers);
    FixDelimiterBox();
    const SearchCriteria criteria = Criteria();
    if (const QString refusal = SearchRun::Refusal(criteria); !refusal.isEmpty()) {
        Warn(refusal);
        (TrimSpaces(criteria.phrase).isEmpty() ? txtSearch : txtFolder)->setFocus();
        return;
    }

    SetSearching(true);
    const QString previous = results_;
    results_.clear();
    ShowResults();
    // An abort left over from a search that ended before it could see it does not stop this one.
    context_.state.blnAbortSearch = false;
    SearchRun run(context_.hostClass, context_.state, *frontend_);
    const SearchResult result = run.Run(criteria);
    context_.state.blnAbortSearch = false;
    // A host that could not be started searched nothing: the results shown before stay.
    results_ = result.hostStarted ? result.text : previous;
    ShowResults();
    context_.state.blnAbortSearch = false;
    SetSearching(false);

    if (closeRequested_) {
        closeRequested_ = false;
        done(closeResult_);
    }
}

void Form5::Abort() {
    if (searching_) context_.state.blnAbortSearch = true;
}

void Form5::done(int result) {
    if (searching_) {
        // Closing during a search: stop it first; the window closes once the search has wound up.
        closeRequested_ = true;
        closeResult_ = result;
        Abort();
        return;
    }
    FixBlockBox(txtBlocks);
    FixBlockBox(txtLayers);
    FixDelimiterBox();
    WriteSettings();
    QDialog::done(result);
}

// --- Saving the results -------------------------------------------------------------------------------

void Form5::SaveToTextFile() {
    if (results_.isEmpty()) {
        Warn(QStringLiteral("No results to save."));
        return;
    }
    const bool csv = chkCSV->isChecked();
    const QString filter = csv ? QStringLiteral("CSV Files (*.csv)|*.csv|All Files (*.*)|*.*")
                               : QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*");
    const QString defaultName = csv ? QStringLiteral("file.csv") : QStringLiteral("file.txt");
    const QString path = StripNull(
        ShowSaveDialog(context_.dialogs, this, filter, QStringLiteral("Save Text File"), saveFolder_, defaultName));
    if (path.isEmpty()) return;
    saveFolder_ = FolderPart(path);

    QString text;
    if (chkInclude->isChecked()) text = SearchCriteriaBlock(Criteria());
    text += results_ + QStringLiteral("\r\n");
    // Written beside the target and then put in its place: a failed save leaves an earlier file whole.
    QSaveFile file(path);
    // A file the user may write in a folder they may not: written in place.
    file.setDirectWriteFallback(true);
    bool saved = file.open(QIODevice::WriteOnly);
    if (saved) {
        const QByteArray bytes = EncodeText(text);
        saved = file.write(bytes) == bytes.size();
        saved = file.commit() && saved;
    }
    if (!saved) {
        Warn(QStringLiteral("File ") + path + QStringLiteral(" could not be saved."));
        return;
    }
    context_.dialogs.Message(this, Dialogs::Icon::Information, Form1::kApplicationTitle,
                             QStringLiteral("File ") + path + QStringLiteral(" saved."));
}

void Form5::SaveToClipboard() {
    if (results_.isEmpty()) {
        Warn(QStringLiteral("No results to save."));
        return;
    }
    const QString text = chkInclude->isChecked() ? SearchCriteriaBlock(Criteria()) + results_ : results_;
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
    context_.dialogs.Message(this, Dialogs::Icon::Information, Form1::kApplicationTitle,
                             QString::number(text.size()) + QStringLiteral(" bytes copied to the Clipboard "));
}

// --- Folder and file pattern -------------------------------------------------------------------------

void Form5::ChooseFolderAndPattern() {
    const QString current = txtFolder->text();
    const QString initial = current.isEmpty() ? context_.state.strLastFolder : FolderPart(current);
    QString folder = BrowseForFolder(context_.dialogs, this, kBrowseTitle, initial);
    if (folder.isEmpty()) return;
    context_.state.strLastFolder = folder;
    folder = WithTrailingSeparator(folder);
    const std::optional<QString> answer = context_.dialogs.Input(
        this, kAddSpecTitle, SpecPromptWithExamples(context_.drawingExtension), folder + QStringLiteral("*") + context_.drawingExtension);
    // A cancelled prompt answers nothing, which empties the box.
    txtFolder->setText(TrimSpaces(answer.value_or(QString())));
}

}  // namespace qln
