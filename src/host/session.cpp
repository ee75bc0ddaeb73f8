// The session members of cAutoCAD: start the host, open and close drawings, quit the host.

#include "host/cautocad.h"

#include <vector>

namespace qln {

using host::DocumentPtr;

cAutoCAD::cAutoCAD(host::ApplicationClassPtr hostClass, ProgramState& state, Frontend& frontend)
    : hostClass_(std::move(hostClass)), state_(state), frontend_(frontend) {}

QString cAutoCAD::DrawingExtension() const {
    return hostClass_ ? hostClass_->DrawingExtension() : QStringLiteral(".dwg");
}

bool cAutoCAD::IsAcadUp() {
    pending_.Clear();
    std::optional<host::ApplicationPtr> running;
    if (hostClass_) running = pending_.Try(hostClass_->GetRunningInstance());
    else pending_.Record(host::ObjectNotSet());
    if (running && *running) objAcad = *running;
    blnAcadUp = running && *running;
    return blnAcadUp;
}

std::int16_t cAutoCAD::OpenAutoCAD() {
    pending_.Clear();
    std::optional<host::ApplicationPtr> created;
    if (hostClass_) created = pending_.Try(hostClass_->CreateInstance());
    else pending_.Record(host::ObjectNotSet());
    if (!created || !*created) {
        const host::Error& e = pending_.error();
        frontend_.MessageBox(Frontend::Icon::Warning, QStringLiteral("Error opening AutoCAD"),
                             QStringLiteral("Check to make sure AutoCAD 2000 or greater is installed on this machine.\n") +
                                 QString::number(e.number) + QStringLiteral(" : ") + e.description,
                             /*systemModal=*/true);
        return -1;
    }
    objAcad = *created;

    // Hidden and minimised, external references demand-loaded, no dialogs. Failures are ignored.
    objAcad->SetWindowState(2).ok();
    objAcad->SetVisible(false).ok();
    if (auto prefs = objAcad->Preferences(); prefs && *prefs) {
        (*prefs)->SetOpenSaveXrefDemandLoad(1).ok();
        (*prefs)->SetSystemEnableStartupDialog(false).ok();
        (*prefs)->SetSystemShowWarningMessages(false).ok();
    }
    pending_.Clear();
    return 1;
}

std::int16_t cAutoCAD::OpenDrawing(const QString& strDrawing, bool blnReadOnly) {
    pending_.Clear();
    strWarning.clear();
    if (!objAcad) return -1;

    // Application.Documents.Open in its three argument forms; only the last attempt decides.
    auto open = [&](std::optional<bool> readOnly, std::optional<QString> password) {
        auto docs = pending_.On(objAcad, [](host::Application& a) { return a.Documents(); });
        if (!docs) return;
        auto doc = pending_.On(*docs, [&](host::Documents& d) { return d.Open(strDrawing, readOnly, password); });
        if (doc) objDoc = *doc;
    };
    open(blnReadOnly, QString());
    if (pending_) {
        pending_.Clear();
        open(blnReadOnly, std::nullopt);
    }
    if (pending_) {
        pending_.Clear();
        open(std::nullopt, std::nullopt);
    }
    return pending_ ? -2 : 1;
}

namespace {

// The DWG format a template's VERSION value asks for; none means "save in the drawing's own format".
std::optional<std::int16_t> SaveFormatFor(const QString& version) {
    if (version == u"2007") return host::k2007;
    if (version == u"2004" || version == u"18") return host::k2004;
    if (version == u"2000" || version == u"15") return host::k2000;
    if (version == u"14") return host::kR14;
    if (version == u"13") return host::kR13;
    return std::nullopt;  // "0", empty, or anything not in the table
}

}  // namespace

std::int16_t cAutoCAD::CloseDrawing(bool blnSave) {
    pending_.Clear();
    auto close = [&](bool saveChanges) {
        pending_.On(objDoc, [&](host::Document& d) { return d.Close(saveChanges); });
    };

    if (!blnSave) {
        close(false);
    } else if (auto format = SaveFormatFor(strVersion)) {
        // Always saved under its own full path; only the format changes.
        auto fullName = pending_.On(objDoc, [](host::Document& d) { return d.FullName(); });
        if (fullName) pending_.On(objDoc, [&](host::Document& d) { return d.SaveAs(*fullName, *format); });
        close(false);
    } else {
        close(true);
        // A save that failed leaves the document open in the host; close it unsaved so it is not left
        // open and locked for the rest of the run. The failure stays the pending error.
        if (pending_) {
            const host::Error failed = pending_.error();
            close(false);
            pending_.Record(failed);
        }
    }

    if (objDoc) {
        const QString warning = objDoc->TakeWarning();
        if (!warning.isEmpty()) strWarning = warning;
    }
    objDoc.reset();
    return pending_ ? -1 : 1;
}

void cAutoCAD::CloseAutoCAD() {
    pending_.Clear();
    // Gather the open documents first, then close each unsaved: closing changes the collection.
    if (auto docs = pending_.On(objAcad, [](host::Application& a) { return a.Documents(); }); docs && *docs) {
        std::vector<DocumentPtr> open;
        if (auto count = pending_.Try((*docs)->Count())) {
            for (std::int16_t i = 0; i < *count; ++i) {
                if (auto doc = pending_.Try((*docs)->Item(i)); doc && *doc) open.push_back(*doc);
            }
        }
        for (const DocumentPtr& doc : open) pending_.Try(doc->Close(false));
    }
    objDoc.reset();
    pending_.On(objAcad, [](host::Application& a) { return a.Quit(); });
    blnAcadUp = false;
    objAcad.reset();
}

}  // namespace qln
