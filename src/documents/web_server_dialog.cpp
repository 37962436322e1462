#include "documents/web_server_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "model/error.h"
#include "upload/server_address.h"

namespace marivel {

WebServerDialog::WebServerDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("WebServerDialog"));
    setWindowTitle(QStringLiteral("Web Server"));
    url_ = new QLineEdit(this);
    url_->setObjectName(QStringLiteral("edtServerUrl"));
    url_->setPlaceholderText(QStringLiteral("sftp://user@host/path"));
    allowUnencrypted_ = new QCheckBox(QStringLiteral("&Allow unencrypted FTP (ftp://)"), this);
    allowUnencrypted_->setObjectName(QStringLiteral("chkAllowUnencrypted"));
    password_ = new QLineEdit(this);
    password_->setObjectName(QStringLiteral("edtPassword"));
    password_->setEchoMode(QLineEdit::Password);
    remember_ = new QCheckBox(QStringLiteral("&Remember the password in the system keyring"), this);
    remember_->setObjectName(QStringLiteral("chkRememberPassword"));
    message_ = new QLabel(this);
    message_->setObjectName(QStringLiteral("lblServerWarning"));
    message_->setWordWrap(true);
    auto* hint =
        new QLabel(QStringLiteral("sftp://user@host[:port]/path, ftps://user@host/path (explicit TLS), "
                                  "https://user@host/path (WebDAV), or ftp:// when allowed below."),
                   this);
    hint->setWordWrap(true);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Server folder:"), url_);
    form->addRow(QString(), hint);
    form->addRow(QString(), allowUnencrypted_);
    form->addRow(QStringLiteral("&Password:"), password_);
    form->addRow(QString(), remember_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* check = buttons->addButton(QStringLiteral("Chec&k the Server"), QDialogButtonBox::ActionRole);
    check->setObjectName(QStringLiteral("btnCheckServer"));
    check->setToolTip(
        QStringLiteral("Keep this server, then compare its folder with the last save and "
                       "upload what is missing there"));
    connect(check, &QPushButton::clicked, this, [this] {
        checkRequested_ = true;
        accept();
        if (result() != QDialog::Accepted) checkRequested_ = false;
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &WebServerDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &WebServerDialog::reject);
    connect(allowUnencrypted_, &QCheckBox::toggled, this, &WebServerDialog::showWarning);
    connect(url_, &QLineEdit::textChanged, this, &WebServerDialog::showWarning);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(message_);
    layout->addWidget(buttons);
    resize(520, sizeHint().height());
}

void WebServerDialog::load(const QString& url, bool allowUnencrypted) {
    url_->setText(url);
    allowUnencrypted_->setChecked(allowUnencrypted);
    showWarning();
}

QString WebServerDialog::url() const {
    return url_->text().trimmed();
}
bool WebServerDialog::allowUnencrypted() const {
    return allowUnencrypted_->isChecked();
}
QString WebServerDialog::password() const {
    return password_->text();
}
bool WebServerDialog::rememberPassword() const {
    return remember_->isChecked();
}

void WebServerDialog::showWarning() {
    const bool plain = url().startsWith(QStringLiteral("ftp://"), Qt::CaseInsensitive);
    message_->setText(
        plain ? QStringLiteral("Warning: unencrypted FTP sends your password and files readable to "
                               "anyone on the way. Use sftp:// or ftps:// where the server offers them.")
              : QString());
}

void WebServerDialog::accept() {
    try {
        const ServerAddress address = ParseServerAddress(url().toStdString());
        if (address.protocol == Protocol::Ftp && !allowUnencrypted())
            throw Error("Unencrypted FTP is refused unless \"Allow unencrypted FTP\" is ticked");
    } catch (const Error& e) {
        message_->setText(QString::fromStdString(e.what()) + QLatin1Char('.'));
        return;
    }
    QDialog::accept();
}

}  // namespace marivel
