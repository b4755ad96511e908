#include "dialogs/help/frmHelpViewer.h"

#include <QHBoxLayout>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/help/urlopener.h"

namespace lumbrast::dialogs {
namespace {

const QString kScheme = QStringLiteral("chm");

bool isInside(const QUrl &url) {
    return url.scheme() == kScheme;
}

} // namespace

ChmTextBrowser::ChmTextBrowser(const platform::ChmArchive &archive, QWidget *parent)
    : QTextBrowser(parent), archive_(archive) {
    // Every link is judged in frmHelpViewer: pages of the file open here,
    // everything else goes to the desktop or nowhere.
    setOpenLinks(false);
    setOpenExternalLinks(false);
}

QUrl ChmTextBrowser::topicUrl(const QString &topic) {
    QUrl url;
    url.setScheme(kScheme);
    const qsizetype hash = topic.indexOf(u'#');
    url.setPath(u'/' + (hash < 0 ? topic : topic.left(hash)));
    if (hash >= 0)
        url.setFragment(topic.mid(hash + 1));
    return url;
}

QVariant ChmTextBrowser::loadResource(int, const QUrl &name) {
    // Nothing is fetched from outside the help file: no network, no local files.
    if (!isInside(name))
        return {};
    const auto data = archive_.read(name.path());
    if (!data)
        return {};
    return *data;
}

frmHelpViewer::frmHelpViewer(std::unique_ptr<platform::ChmArchive> archive, const QString &helpFile,
                             platform::UrlOpener *links, QWidget *owner)
    : QWidget(owner, Qt::Window), archive_(std::move(archive)), helpFile_(helpFile), links_(links) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Lumbrast Help"));
    resize(640, 560);

    cmdHelpBack = new QToolButton(this);
    cmdHelpBack->setText(tr("Back"));
    cmdHelpForward = new QToolButton(this);
    cmdHelpForward->setText(tr("Forward"));
    cmdHelpHome = new QToolButton(this);
    cmdHelpHome->setText(tr("Contents"));
    txtHelpTopic = new ChmTextBrowser(*archive_, this);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdHelpBack);
    buttons->addWidget(cmdHelpForward);
    buttons->addWidget(cmdHelpHome);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(txtHelpTopic);

    cmdHelpBack->setEnabled(false);
    cmdHelpForward->setEnabled(false);
    connect(cmdHelpBack, &QToolButton::clicked, txtHelpTopic, &QTextBrowser::backward);
    connect(cmdHelpForward, &QToolButton::clicked, txtHelpTopic, &QTextBrowser::forward);
    connect(cmdHelpHome, &QToolButton::clicked, txtHelpTopic, &QTextBrowser::home);
    connect(txtHelpTopic, &QTextBrowser::backwardAvailable, cmdHelpBack, &QWidget::setEnabled);
    connect(txtHelpTopic, &QTextBrowser::forwardAvailable, cmdHelpForward, &QWidget::setEnabled);
    connect(txtHelpTopic, &QTextBrowser::anchorClicked, this,
            &frmHelpViewer::txtHelpTopic_AnchorClicked);
    connect(txtHelpTopic, &QTextBrowser::sourceChanged, this, [this] {
        const QString title = txtHelpTopic->documentTitle();
        setWindowTitle(title.isEmpty() ? tr("Lumbrast Help") : title);
    });
}

bool frmHelpViewer::showTopic(const QString &topic) {
    const QUrl url = ChmTextBrowser::topicUrl(topic);
    if (!archive_->contains(url.path()))
        return false;
    txtHelpTopic->setSource(url);
    return true;
}

void frmHelpViewer::txtHelpTopic_AnchorClicked(const QUrl &url) {
    if (isInside(url)) {
        // A link to a page the file lacks leaves the current page as it is.
        if (archive_->contains(url.path()))
            txtHelpTopic->setSource(url);
        return;
    }
    const QString scheme = url.scheme();
    if (links_ && (scheme == u"http" || scheme == u"https" || scheme == u"mailto"))
        links_->open(url.toString());
}

} // namespace lumbrast::dialogs
