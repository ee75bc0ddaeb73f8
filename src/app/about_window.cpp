// Form3: the About window.

#include "app/about_window.h"

#include "runs/program_folders.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QVBoxLayout>

namespace qln {

namespace {

QLabel* LinkLabel(QWidget* parent, const QString& name, const QString& href, const QString& text) {
    auto* label = new QLabel(QStringLiteral("<a href=\"%1\">%2</a>").arg(href.toHtmlEscaped(), text), parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::RichText);
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    label->setOpenExternalLinks(false);
    return label;
}

}  // namespace

Form3::Form3(WindowContext& context, QWidget* parent) : QDialog(parent), context_(context) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("About QLN"));

    auto* product = new QLabel(QStringLiteral("Quillon (QLN)"), this);
    product->setObjectName(QStringLiteral("lblProductName"));
    QFont big = product->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    product->setFont(big);

    auto* version = new QLabel(QStringLiteral("Version ") + QStringLiteral(QLN_VERSION), this);
    version->setObjectName(QStringLiteral("lblVersion"));
    auto* rights = new QLabel(QStringLiteral("All Rights Reserved"), this);
    rights->setObjectName(QStringLiteral("lblRights"));
    auto* description = new QLabel(
        QStringLiteral("Quillon changes, finds and lists the text of many CAD drawings at once: it applies "
                       "template files to whole sets of drawings, searches drawings for a phrase, and lists "
                       "the text of a drawing as a web page."),
        this);
    description->setObjectName(QStringLiteral("lblDescription"));
    description->setWordWrap(true);
    // Where this copy keeps faq.fil and writes its logs: installed, or beside the executable.
    auto* folders = new QLabel(ProgramFoldersLine(context_.state), this);
    folders->setObjectName(QStringLiteral("lblFolders"));
    folders->setWordWrap(true);
    folders->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* links = new QHBoxLayout;
    links->addWidget(LinkLabel(this, QStringLiteral("lblFaq"), QStringLiteral("faq"), QStringLiteral("FAQ file")));
    links->addSpacing(24);
    links->addWidget(LinkLabel(this, QStringLiteral("lblEmail"), kEmailAddress, QStringLiteral("Email")));
    links->addSpacing(24);
    links->addWidget(LinkLabel(this, QStringLiteral("lblWebSite"), kWebSite, QStringLiteral("Web Site")));
    links->addStretch();
    for (QLabel* label : findChildren<QLabel*>()) {
        if (label->textFormat() == Qt::RichText) connect(label, &QLabel::linkActivated, this, &Form3::OpenLink);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(product);
    layout->addWidget(version);
    layout->addWidget(rights);
    layout->addSpacing(8);
    layout->addWidget(description);
    layout->addWidget(folders);
    layout->addSpacing(8);
    layout->addLayout(links);
    layout->addWidget(buttons);
    setMinimumWidth(420);
}

void Form3::OpenLink(const QString& link) {
    if (link == QLatin1String("faq")) {
        const QString faq = QDir::toNativeSeparators(QDir(context_.programFolder).filePath(QStringLiteral("faq.fil")));
        if (!context_.desktop.OpenInTextEditor(faq))
            context_.dialogs.Message(this, Dialogs::Icon::Warning, QStringLiteral("QLN"),
                                     QStringLiteral("No program could be started to show the file. Open it yourself:\n") + faq);
        return;
    }
    if (context_.desktop.OpenUrl(QUrl(link))) return;
    // Said with the address, so that the user can write or browse there by hand.
    const QUrl url(link);
    const QString text = url.scheme() == QLatin1String("mailto")
                             ? QStringLiteral("Could not start a mail program. Write to ") + url.path() + u'.'
                             : QStringLiteral("Could not find associated browser.\n") + link;
    context_.dialogs.Message(this, Dialogs::Icon::Warning, QStringLiteral("QLN"), text);
}

}  // namespace qln
