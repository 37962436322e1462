#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <memory>
#include <optional>

#include "upload/uploader.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QThread;

namespace marivel {

class DocumentHost;

// The server a project uploads to, kept in the user's settings under the
// project file's full path; the project file itself never holds it.
struct WebServerChoice {
    QString url;
    bool allowUnencrypted = false;
};
std::optional<WebServerChoice> StoredWebServer(const DocumentHost& host, const QString& projectFile);
void StoreWebServer(DocumentHost& host, const QString& projectFile, const WebServerChoice& choice);

// The system keyring (QtKeychain), one password per server address
// (ServerAddress::text()). KeepPassword answers why it failed, empty when the
// password is kept; KeptPassword answers nothing when the keyring holds none
// or cannot be reached.
QString KeepPassword(const QString& server, const QString& password);
std::optional<QString> KeptPassword(const QString& server);

// Script > Upload..., Script > Check the Server... and Option > Web
// Server...: uploads the files of the last save on a worker thread, with the
// progress and a Cancel button in the bottom line, so the window stays
// responsive. Passwords live in the system keyring (QtKeychain) or are asked
// each time; an unknown SSH host is asked about with its fingerprint.
class UploadCommands : public QObject {
    Q_OBJECT
public:
    UploadCommands(DocumentHost& host, QStatusBar* bottomLine, QObject* parent = nullptr);
    ~UploadCommands() override;

    // Option > Web Server...; false when the user cancelled the dialog. Its
    // Check the Server button goes on to checkServer().
    bool chooseServer();
    void upload() { transfer(false); }
    // Also lists the server folder and puts what it lacks or holds at another
    // size: the way back after files were removed there by hand or the
    // record of earlier uploads was lost.
    void checkServer() { transfer(true); }
    bool running() const { return worker_ != nullptr; }
    void cancel() { cancelled_ = true; }

signals:
    void finished(bool complete);

private:
    // The dialog's answer: nothing when cancelled, else whether its Check
    // the Server button closed it.
    std::optional<bool> askForServer();
    void transfer(bool checkServer);
    void showProgress(const UploadProgress& progress);
    void done();
    std::optional<QString> password(const ServerAddress& address);
    bool askAboutHost(const HostKeyQuestion& question);

    DocumentHost& host_;
    QStatusBar* bottomLine_;
    QLabel* label_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QThread* worker_ = nullptr;
    std::atomic<bool> cancelled_ = false;
    bool checking_ = false;
    std::shared_ptr<UploadOutcome> outcome_;
};

}  // namespace marivel
