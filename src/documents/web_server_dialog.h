#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace marivel {

// Option > Web Server...: the server folder this project uploads to, as an
// address such as sftp://user@host/path, and optionally a password for the
// system keyring. It has no switch that turns certificate checks off.
class WebServerDialog : public QDialog {
    Q_OBJECT
public:
    explicit WebServerDialog(QWidget* parent = nullptr);

    void load(const QString& url, bool allowUnencrypted);
    QString url() const;
    bool allowUnencrypted() const;
    // Empty: keep what the keyring holds.
    QString password() const;
    bool rememberPassword() const;
    // Closed with Check the Server: compare with the server's listing now.
    bool checkRequested() const { return checkRequested_; }

    // Takes only an address the uploader takes: one of the four kinds, no
    // password in it, ftp:// only with the box ticked.
    void accept() override;

private:
    void showWarning();

    QLineEdit* url_;
    QCheckBox* allowUnencrypted_;
    QLineEdit* password_;
    QCheckBox* remember_;
    QLabel* message_;
    bool checkRequested_ = false;
};

}  // namespace marivel
