#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace zov {

// One copy of the program per user session. The first copy listens on a local socket named
// "MutexZOV"; a later copy finds it, asks it to come to the front and ends.
class SingleInstance : public QObject {
    Q_OBJECT

  public:
    static constexpr const char* kName = "MutexZOV";

    explicit SingleInstance(QString name = QString::fromLatin1(kName), QObject* parent = nullptr);
    ~SingleInstance() override;

    // True: this is the first copy and now holds the name. False: another copy runs and has been
    // asked to raise its window; this one should end without creating any.
    bool Claim();

    // Where the socket lives: the user's runtime directory when there is one (the name is then
    // private to the user, as the session-local mutex was), else the temporary directory with the
    // user's id appended to the name.
    static QString SocketPath(const QString& name);

  signals:
    // Another copy was started.
    void activationRequested();

  private:
    bool AskRunningCopy();
    void OnConnection();

    QString path_;
    QLocalServer* server_ = nullptr;
};

}  // namespace zov
