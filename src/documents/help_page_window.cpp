#include "documents/help_page_window.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QTextBrowser>

#include "platform/shell.h"

namespace marivel {

namespace {

const QString kFileScheme = QStringLiteral("file://");

bool isPage(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("htm") || suffix == QLatin1String("html");
}

}  // namespace

HelpPageWindow::HelpPageWindow(Shell& shell, QWidget* parent)
    : QDialog(parent, Qt::Tool), shell_(shell), pageView(new QTextBrowser(this)) {
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Help"));
    setFixedSize(402, 428);
    move(265, 180);
    pageView->setObjectName(QStringLiteral("WebBrowser1"));
    pageView->setGeometry(0, 0, 401, 427);
    pageView->setOpenLinks(false);
    connect(pageView, &QTextBrowser::anchorClicked, this, &HelpPageWindow::followLink);
}

void HelpPageWindow::navigate(const QString& url) {
    if (!url.startsWith(kFileScheme, Qt::CaseInsensitive)) {
        pageView->setSource(QUrl(url));
        return;
    }
    // The path is taken back whole: a URL parser would read "#" as the start
    // of a fragment and "%" as an escape.
    QString path = url.mid(kFileScheme.size());
    static const QRegularExpression windowsDrive(QStringLiteral("^/[A-Za-z]\\|"));
    if (windowsDrive.match(path).hasMatch()) {
        path = path.mid(1);
        path[1] = QLatin1Char(':');
    }
    pageView->setSource(QUrl::fromLocalFile(path));
}

QUrl HelpPageWindow::source() const {
    return pageView->source();
}

void HelpPageWindow::followLink(const QUrl& link) {
    const QUrl target = pageView->source().resolved(link);
    if (!target.isLocalFile()) {
        shell_.openDocument(target.toString());
        return;
    }
    const QString path = target.toLocalFile();
    const QString shownFolder = QFileInfo(pageView->source().toLocalFile()).absolutePath();
    if (isPage(path) && QFileInfo(path).absolutePath() == shownFolder) {
        pageView->setSource(target);
        return;
    }
    shell_.openDocument(path);
}

}  // namespace marivel
