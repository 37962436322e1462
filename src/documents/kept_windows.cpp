#include "documents/kept_windows.h"

#include <QTextBrowser>

namespace marivel {

TfrmHelp::TfrmHelp(QWidget* parent) : QDialog(parent, Qt::Tool), WebBrowser1(new QTextBrowser(this)) {
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Help"));
    setFixedSize(402, 428);
    move(265, 180);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    WebBrowser1->setGeometry(0, 0, 401, 427);
}

}  // namespace marivel
