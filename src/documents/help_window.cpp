#include "documents/help_window.h"

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

TfrmHelp::TfrmHelp(Shell& shell, QWidget* parent)
    : QDialog(parent, Qt::Tool), shell_(shell), WebBrowser1(new QTextBrowser(this)) {
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Help"));
    setFixedSize(402, 428);
    move(265, 180);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    WebBrowser1->setGeometry(0, 0, 401, 427);
    WebBrowser1->setOpenLinks(false);
    connect(WebBrowser1, &QTextBrowser::anchorClicked, this, &TfrmHelp::followLink);
}

void TfrmHelp::Navigate(const QString& url) {
    if (!url.startsWith(kFileScheme, Qt::CaseInsensitive)) {
        WebBrowser1->setSource(QUrl(url));
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
    WebBrowser1->setSource(QUrl::fromLocalFile(path));
}

QUrl TfrmHelp::source() const {
    return WebBrowser1->source();
}

void TfrmHelp::followLink(const QUrl& link) {
    const QUrl target = WebBrowser1->source().resolved(link);
    if (!target.isLocalFile()) {
        shell_.openDocument(target.toString());
        return;
    }
    const QString path = target.toLocalFile();
    const QString shownFolder = QFileInfo(WebBrowser1->source().toLocalFile()).absolutePath();
    if (isPage(path) && QFileInfo(path).absolutePath() == shownFolder) {
        WebBrowser1->setSource(target);
        return;
    }
    shell_.openDocument(path);
}

}  // namespace marivel
