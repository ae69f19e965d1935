#pragma once

#include <QMap>
#include <QString>
#include <functional>

// Exam answers that could not reach the server bank, kept in a file of their own beside the
// program's settings (one per server and sitting) until they are stored there. Each answer is
// appended and synced before add() returns; the answers stored leave the file, and the file goes
// once it is empty. The server's unique key on the answers makes sending twice harmless, so an
// answer is on the server exactly once however often the program was stopped in between.
class AnswerJournal {
  public:
    struct Entry {
        QString answer;
        QString name;
    };
    struct Sitting {
        QString server;
        QString code;
        QString student;
        QString state;
    };

    AnswerJournal(const QString& folder, const Sitting& sitting);
    const Sitting& sitting() const { return m_sitting; }
    QString path() const { return m_path; }

    // False when the file cannot be written (the answer is then kept nowhere).
    bool add(qint64 tihao, const QString& answer, const QString& name);
    // The answers waiting, the last one given for each question.
    QMap<qint64, Entry> pending() const;
    int count() const { return int(pending().size()); }
    // Sends each waiting answer through `save` (true: stored) until one fails; returns how many
    // still wait.
    int send(const std::function<bool(qint64, const Entry&)>& save);

    // The journals of a server found in the folder (left by a program that was stopped).
    static QList<Sitting> leftOver(const QString& folder, const QString& server);

  private:
    bool rewrite(const QMap<qint64, Entry>& left);
    Sitting m_sitting;
    QString m_path;
};
