#pragma once
// cAutoCAD: one session with a CAD host, and the engines that work on the drawing it has open.
//
// Every command that touches drawings creates one session, calls OpenAutoCAD, loops
// OpenDrawing -> engine -> CloseDrawing over its drawings, calls CloseAutoCAD and drops the object.
// The session members and the walks the engines share are defined in src/host/, the template parser
// and the modification engine in src/modify/, the search engine in src/search/, the text listing and
// HTML writer in src/report/.
// No member raises an error to its caller: host failures are kept as the pending error and judged
// where each member says.

#include "host/automation.h"
#include "host/frontend.h"
#include "host/pending_error.h"
#include "host/program_state.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace qln {

class LineWriter;
// The HTML table writer's types (report/html_table.h); the host layer needs only their names.
class ValueArray;
struct HtmlTableOptions;
struct HtmlPageOptions;

// One object a modification changed: its handle, its text before the first command that changed it and
// after the last (empty when the object was deleted).
struct TextChange {
    QString handle;
    QString before;
    QString after;
    bool deleted = false;
};

class cAutoCAD {
public:
    // `hostClass` is the host this session starts (the program's choice); `state` and `frontend` are the
    // program's, and outlive the session.
    cAutoCAD(host::ApplicationClassPtr hostClass, ProgramState& state, Frontend& frontend);
    cAutoCAD(const cAutoCAD&) = delete;
    cAutoCAD& operator=(const cAutoCAD&) = delete;

    // --- Session and drawing life cycle -------------------------------------------------------------
    // Attach to a running host, never start one. True when one could be attached.
    bool IsAcadUp();
    // Start a new host, hidden and minimised: 1, or -1 (after a message box) when it cannot be created.
    std::int16_t OpenAutoCAD();
    // 1 = open; -1 = no host in this session; -2 = the host cannot open the file.
    std::int16_t OpenDrawing(const QString& strDrawing, bool blnReadOnly = false);
    // Close the open drawing, saving it in the template's VERSION when blnSave: 1, or -1 when a host
    // call failed.
    std::int16_t CloseDrawing(bool blnSave = true);
    // Close every open document unsaved and quit the host. Failures are ignored.
    void CloseAutoCAD();

    // --- Template (src/modify) ----------------------------------------------------------------------
    // Read a template file into the settings fields and the command list: 1, 0, -1, -2, -3 or -4 (a
    // regular expression of a g or sg command that does not compile), with the message in strErr when
    // not 1 (strErr is left alone on success). strDelimiter is the delimiter the commands will be run
    // with (GetAttributes'), which decides what a line's pattern is; "," unless given.
    std::int16_t PrepTemplate(const QString& strTemplateFile, QString& strErr, const QString& strDelimiter);
    std::int16_t PrepTemplate(const QString& strTemplateFile, QString& strErr);
    std::int16_t PrepTemplate(const QString& strTemplateFile);

    // --- Modification (src/modify) ------------------------------------------------------------------
    // Apply the parsed template to the open drawing. intFile is the audit log, or nullptr for none.
    // 1 when any command applied; otherwise 0 and strErr = "No data found to process.".
    std::int16_t GetAttributes(QString& strErr, const QString& strDelimiter, LineWriter* intFile);

    // --- Search (src/search) ------------------------------------------------------------------------
    // Every hit of strFind in the open drawing as one delimited row; lngTot gains one per row.
    // strAttributeTags, a tag list ("*" for all; empty for none), searches the attribute values of the
    // block references the block search visits too, whatever blnTag says.
    QString SearchAttributes(const QString& strDrawing, const QString& strSpace, QString strBlockName,
                             QString strLayerName, const QString& strDelimiter, bool blnMatchCase,
                             bool blnWholeWord, bool blnTag, const QString& strFind, std::int32_t& lngTot,
                             const QString& strAttributeTags = QString());

    // --- Text listing (src/report) ------------------------------------------------------------------
    // Write every single-line (or multiple-line) text object of the open drawing as an HTML page; with
    // blnAttributes, the attribute values of every block reference of both spaces follow as rows too
    // (and the title counts them apart when there are any).
    void CreateArray(const QString& strHTML, const QString& strFile, bool blnAttributes = false);

    // --- HTML table writer (src/report) ---------------------------------------------------------------
    // A two-dimensional table as an HTML table element in strTable (changed only on success): 1; -1 when
    // varArray is no table (nullptr); -2 when it cannot be rendered (not two-dimensional, a first row or
    // column outside the 16-bit range, a cell without a text form). Values are written unescaped.
    // The presentation arguments take their defaults (HtmlTableOptions{}) unless given.
    std::int16_t TwoDArrayToHTMLTable(const ValueArray* varArray, QString& strTable);
    std::int16_t TwoDArrayToHTMLTable(const ValueArray* varArray, QString& strTable,
                                      const HtmlTableOptions& options);
    // The table as a whole page written to strHTMLFile (replaced): 1, -1 or -2 as above, no file unless
    // 1. A file that cannot be written still gives 1; a caller that must know checks that it exists.
    std::int16_t TwoDArrayToHTMLFile(const ValueArray* varArray, const QString& strHTMLFile);
    std::int16_t TwoDArrayToHTMLFile(const ValueArray* varArray, const QString& strHTMLFile,
                                     const HtmlPageOptions& options);

    // --- Session fields ------------------------------------------------------------------------------
    bool blnAcadUp = false;
    host::ApplicationPtr objAcad;   // empty when no host is attached
    host::DocumentPtr objDoc;       // the drawing open now; empty between drawings

    // When set, GetAttributes adds every object it changes here, in the order it changes them.
    std::vector<TextChange>* changes = nullptr;

    // A warning the host left about the last save (a version it could not write); emptied by
    // OpenDrawing. The runs write it to err.log as the drawing's line.
    QString strWarning;

    // --- Template fields, filled by PrepTemplate -------------------------------------------------------
    QString strTextType;
    QString strSpaces;
    QString strBlocks;
    QString strLayers;
    QString strVersion;       // empty in a new session; "0" keeps the drawing's own version
    // The ATTRIBUTES: tag list, normalised like the layer list ("*" or " A B "); empty when the template
    // has no such key, and then no attribute is touched.
    QString strAttributes;
    QStringList strCommands;

    // The pending error of the last session member (for callers and tests that want its text).
    const host::Error& PendingError() const { return pending_.error(); }
    bool HasPendingError() const { return pending_.IsSet(); }

    ProgramState& State() { return state_; }
    Frontend& UserInterface() { return frontend_; }
    // The extension of the host's drawings (".dxf" for the DXF host).
    QString DrawingExtension() const;

private:
    // Let the window system process pending events (the engines call it once per object).
    void Yield() { frontend_.ProcessEvents(); }

    // --- The walks of the three engines (src/host/walks.cpp) -------------------------------------------
    // Each step runs its host calls one after another and keeps a failure as the pending error; a step
    // that fails gives its empty outcome and the engine goes on.

    // A selection set added to the open drawing's selection sets under a name and filled by Select with
    // mode 5 (every object of the drawing that passes the filter), no points.
    struct Selection {
        host::SelectionSetPtr set;  // empty when no set could be added
        bool selected = false;      // Select succeeded on it
    };
    Selection AddSelection(const QString& setName, const std::vector<std::int16_t>& filterType,
                           const std::vector<host::Variant>& filterData);

    // What a set whose Select failed holds: nothing for the modification passes and the search, which do
    // not enumerate it; the listing enumerates it all the same.
    enum class IfSelectFailed { kNothing, kEnumerate };
    // The objects of a selection, in host order; empty without a set or when it cannot be enumerated.
    std::vector<host::EntityPtr> SelectionItems(const Selection& selection, IfSelectFailed ifSelectFailed);

    // An empty block reference: the modification passes and the listing record "object not set" for it,
    // as a call on it would; the search skips it without a trace.
    enum class IfNullReference { kRecord, kSkip };
    // The definition a block reference names: reference -> Name -> Blocks(name) -> Items.
    struct BlockContents {
        QString name;                         // the reference's Name
        std::vector<host::EntityPtr> items;   // the entities directly in the definition, in host order
    };
    // The objects of one type (ObjectName) in the definitions that the references of one pass name. Each
    // definition is read once a pass, however many references name it: a drawing whose model space holds
    // thousands of references to *Model_Space costs its size once, and each later reference only the
    // objects of the type. An object erased since the definition was read is passed over.
    class BlockObjects {
    public:
        explicit BlockObjects(QString objectName) : objectName_(std::move(objectName)) {}

    private:
        friend class cAutoCAD;
        QString objectName_;
        QHash<QString, std::vector<host::EntityPtr>> read_;  // by the references' Name
    };
    // The definition's objects of the type of `objects` (and any empty item, for the engine to judge);
    // nothing when one of the steps fails.
    std::optional<BlockContents> ReferencedBlock(const host::EntityPtr& reference, IfNullReference ifNullReference,
                                                 BlockObjects& objects);

    // The passes of GetAttributes (src/modify/get_attributes.cpp).
    struct ModifyRun;
    void TextPass(const QString& strName, ModifyRun& run);
    void BlockPass(const QString& strName, ModifyRun& run);
    void AttributePass(host::Entity& reference, ModifyRun& run);

    host::ApplicationClassPtr hostClass_;
    ProgramState& state_;
    Frontend& frontend_;
    host::PendingError pending_;
};

}  // namespace qln
