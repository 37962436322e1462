#include "documents/upload_commands.h"

#include <qt6keychain/keychain.h>

#include <QEventLoop>
#include <QInputDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStringList>
#include <QThread>
#include <QUrl>

#include "documents/document_host.h"
#include "documents/web_server_dialog.h"
#include "model/error.h"
#include "output/publish_plan.h"
#include "output/publishing_agent.h"
#include "platform/prompter.h"
#include "platform/settings_store.h"

namespace marivel {

namespace {

const QString kUploadKey = QStringLiteral("\\Software\\Kelt\\Marivel\\1.1\\Web Servers");
const QString kKeyringService = QStringLiteral("Marivel upload");

// A value name of the settings holds no path separators.
QString ValueName(const QString& projectFile) {
    return QString::fromLatin1(QUrl::toPercentEncoding(projectFile));
}

QString Files(std::size_t count) {
    return QStringLiteral("%1 file%2").arg(count).arg(count == 1 ? "" : "s");
}

// The names of a few files for the closing report, in brackets; a long
// list is cut short rather than filling the bottom line.
QString Named(const std::vector<std::string>& names) {
    constexpr std::size_t kShown = 3;
    if (names.empty()) return QString();
    QStringList shown;
    for (std::size_t i = 0; i < names.size() && i < kShown; ++i) shown << QString::fromStdString(names[i]);
    if (names.size() > kShown) shown << QStringLiteral("...");
    return QStringLiteral(" (") + shown.join(QStringLiteral(", ")) + QLatin1Char(')');
}

}  // namespace

std::optional<WebServerChoice> StoredWebServer(const DocumentHost& host, const QString& projectFile) {
    const SettingsStore& settings = host.settingsStore();
    const auto url =
        settings.readString(SettingsStore::Hive::CurrentUser, kUploadKey, ValueName(projectFile));
    if (url.status != SettingsStore::Status::Ok || url.value.isEmpty()) return std::nullopt;
    const auto plain = settings.readBool(SettingsStore::Hive::CurrentUser, kUploadKey,
                                         QStringLiteral("ftp:") + ValueName(projectFile));
    return WebServerChoice{url.value, plain.status == SettingsStore::Status::Ok && plain.value};
}

void StoreWebServer(DocumentHost& host, const QString& projectFile, const WebServerChoice& choice) {
    SettingsStore& settings = host.settingsStore();
    const bool stored =
        CreateVersionKeys(settings) && settings.createKey(SettingsStore::Hive::CurrentUser, kUploadKey) &&
        settings.writeString(SettingsStore::Hive::CurrentUser, kUploadKey, ValueName(projectFile),
                             choice.url) &&
        settings.writeBool(SettingsStore::Hive::CurrentUser, kUploadKey,
                           QStringLiteral("ftp:") + ValueName(projectFile), choice.allowUnencrypted);
    if (!stored) throw Error("The web server could not be stored in the settings");
}

QString KeepPassword(const QString& server, const QString& password) {
    auto* job = new QKeychain::WritePasswordJob(kKeyringService);
    job->setKey(server);
    job->setTextData(password);
    QEventLoop wait;
    QObject::connect(job, &QKeychain::Job::finished, &wait, &QEventLoop::quit);
    job->start();
    wait.exec();
    return job->error() == QKeychain::NoError ? QString() : job->errorString();
}

std::optional<QString> KeptPassword(const QString& server) {
    auto* job = new QKeychain::ReadPasswordJob(kKeyringService);
    job->setKey(server);
    QEventLoop wait;
    QObject::connect(job, &QKeychain::Job::finished, &wait, &QEventLoop::quit);
    job->start();
    wait.exec();
    if (job->error() != QKeychain::NoError) return std::nullopt;
    return job->textData();
}

UploadCommands::UploadCommands(DocumentHost& host, QStatusBar* bottomLine, QObject* parent)
    : QObject(parent), host_(host), bottomLine_(bottomLine) {
    setObjectName(QStringLiteral("UploadCommands"));
}

UploadCommands::~UploadCommands() {
    if (worker_) {
        cancelled_ = true;
        worker_->wait();
    }
}

bool UploadCommands::chooseServer() {
    const std::optional<bool> check = askForServer();
    if (check && *check) transfer(true);
    return check.has_value();
}

std::optional<bool> UploadCommands::askForServer() {
    const QString project = host_.currentFileName();
    if (project.isEmpty())
        throw Error("Save the project first: the web server is kept for the project's file");
    WebServerDialog dialog(host_.dialogParent());
    if (const auto stored = StoredWebServer(host_, project))
        dialog.load(stored->url, stored->allowUnencrypted);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    StoreWebServer(host_, project, {dialog.url(), dialog.allowUnencrypted()});
    if (dialog.rememberPassword() && !dialog.password().isEmpty()) {
        const QString failed = KeepPassword(
            QString::fromStdString(ParseServerAddress(dialog.url().toStdString()).text()), dialog.password());
        if (!failed.isEmpty())
            host_.prompts().error(host_.dialogParent(),
                                  QStringLiteral("The password could not be kept in the system keyring (") +
                                      failed + QStringLiteral("). It will be asked for each time."));
    }
    return dialog.checkRequested();
}

std::optional<QString> UploadCommands::password(const ServerAddress& address) {
    if (auto kept = KeptPassword(QString::fromStdString(address.text()))) return kept;
    // SSH logs in with the agent and the user's keys; the others need a
    // password, asked each time when the keyring holds none.
    if (address.protocol == Protocol::Sftp) return QString();
    bool ok = false;
    const QString typed =
        QInputDialog::getText(host_.dialogParent(), QStringLiteral("Upload"),
                              QStringLiteral("Password for %1:").arg(QString::fromStdString(address.text())),
                              QLineEdit::Password, QString(), &ok);
    if (!ok) return std::nullopt;
    return typed;
}

bool UploadCommands::askAboutHost(const HostKeyQuestion& question) {
    const QString text =
        QStringLiteral(
            "The SSH server %1 is not among your known hosts.\n\nIts %2 key fingerprint is\n%3\n\n"
            "Compare it with the one your provider shows. Trust this server and remember its key?")
            .arg(QString::fromStdString(question.host), QString::fromStdString(question.keyType),
                 QString::fromStdString(question.fingerprint));
    // The first file's progress is shown already; nothing goes until the answer.
    if (label_)
        label_->setText(QStringLiteral("Waiting for your answer about %1 ...")
                            .arg(QString::fromStdString(question.host)));
    return host_.prompts().yesNo(host_.dialogParent(), text) == Prompter::Answer::Yes;
}

void UploadCommands::transfer(bool checkServer) {
    if (worker_) return;
    const QString project = host_.currentFileName();
    if (project.isEmpty() || host_.isModified())
        throw Error("Save the project before uploading: the upload sends the files the last save wrote");
    if (!StoredWebServer(host_, project)) {
        const std::optional<bool> check = askForServer();
        if (!check) return;
        checkServer = checkServer || *check;
    }
    const WebServerChoice choice = *StoredWebServer(host_, project);
    UploadRequest request;
    request.address = ParseServerAddress(choice.url.toStdString());
    // A missing record is an empty one: the check then puts every file,
    // since only the record knows what a file on the server holds.
    request.checkServer = checkServer;
    request.recordFolder = UploadManifest::DefaultFolder();
    const PublishPlan plan = PlanPublish(host_.documentAgent(), host_.projectTree(),
                                         std::filesystem::path(project.toLocal8Bit().toStdString()));
    request.folder = plan.folder;
    request.files = PublishedFiles(plan);
    const std::optional<QString> secret = password(request.address);
    if (!secret) return;
    UploadOptions options;
    if (!secret->isEmpty()) options.password = secret->toStdString();
    options.allowUnencrypted = choice.allowUnencrypted;
    options.trustNewHost = [this](const HostKeyQuestion& question) {
        bool trusted = false;
        QMetaObject::invokeMethod(
            this, [&] { trusted = askAboutHost(question); }, Qt::BlockingQueuedConnection);
        return trusted;
    };

    label_ = new QLabel(bottomLine_);
    label_->setObjectName(QStringLiteral("lblUploadProgress"));
    bar_ = new QProgressBar(bottomLine_);
    bar_->setObjectName(QStringLiteral("barUploadProgress"));
    bar_->setRange(0, 1000);
    cancelButton_ = new QPushButton(QStringLiteral("Cancel"), bottomLine_);
    cancelButton_->setObjectName(QStringLiteral("btnCancelUpload"));
    connect(cancelButton_, &QPushButton::clicked, this, &UploadCommands::cancel);
    for (QWidget* widget :
         {static_cast<QWidget*>(label_), static_cast<QWidget*>(bar_), static_cast<QWidget*>(cancelButton_)})
        bottomLine_->addPermanentWidget(widget);
    label_->setText((checkServer ? QStringLiteral("Checking %1 ...") : QStringLiteral("Connecting to %1 ..."))
                        .arg(choice.url));

    cancelled_ = false;
    checking_ = checkServer;
    outcome_ = std::make_shared<UploadOutcome>();
    auto outcome = outcome_;
    worker_ = QThread::create([this, request, options, outcome] {
        *outcome = Upload(request, options, [this](const UploadProgress& progress) {
            QMetaObject::invokeMethod(
                this, [this, progress] { showProgress(progress); }, Qt::QueuedConnection);
            return !cancelled_;
        });
    });
    connect(worker_, &QThread::finished, this, &UploadCommands::done);
    worker_->start();
}

void UploadCommands::showProgress(const UploadProgress& progress) {
    if (!label_) return;
    label_->setText(QStringLiteral("Uploading %1 (%2 of %3): %4 of %5 KB")
                        .arg(QString::fromStdString(progress.file))
                        .arg(progress.step)
                        .arg(progress.steps)
                        .arg(progress.bytesDone / 1024)
                        .arg(progress.bytesTotal / 1024));
    bar_->setValue(progress.bytesTotal ? static_cast<int>(1000 * progress.bytesDone / progress.bytesTotal)
                                       : 1000);
}

void UploadCommands::done() {
    worker_->wait();
    worker_->deleteLater();
    worker_ = nullptr;
    for (QWidget* widget :
         {static_cast<QWidget*>(label_), static_cast<QWidget*>(bar_), static_cast<QWidget*>(cancelButton_)}) {
        bottomLine_->removeWidget(widget);
        widget->deleteLater();
    }
    label_ = nullptr;
    bar_ = nullptr;
    cancelButton_ = nullptr;
    const UploadOutcome& outcome = *outcome_;
    const bool complete = outcome.result == UploadOutcome::Result::Complete;
    if (complete)
        bottomLine_->showMessage((checking_
                                      ? QStringLiteral("Checked the server: uploaded %1%2, removed %3%4, "
                                                       "%5 unchanged")
                                      : QStringLiteral("Uploaded %1%2, removed %3%4, %5 unchanged"))
                                     .arg(Files(outcome.replaced.size()), Named(outcome.replaced))
                                     .arg(outcome.removed.size())
                                     .arg(Named(outcome.removed))
                                     .arg(outcome.plan.unchanged.size()));
    else
        host_.prompts().error(host_.dialogParent(), QString::fromStdString(outcome.error));
    emit finished(complete);
}

}  // namespace marivel
