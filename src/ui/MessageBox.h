#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

namespace vo {

// The console's one message box: every message and question goes through here, so tests can
// answer questions and read what the seller would have seen without a real modal box.
class TMessageBox : public QObject
{
    Q_OBJECT
public:
    enum class Kind { Warning, Information, Error };
    enum class Buttons { Ok, OkCancel };
    enum class Answer { Ok, Cancel };

    struct Shown
    {
        Kind kind;
        QString text;
        Buttons buttons;
        // The button that Enter presses.
        Answer defaultAnswer = Answer::Ok;
    };

    explicit TMessageBox(QWidget *owner = nullptr);

    Answer execute(Kind kind, const QString &text, Buttons buttons = Buttons::Ok, Answer defaultAnswer = Answer::Ok);

    // Called as the owner closes. A request that was waiting then fails, and its command would
    // go on to tell the seller about trouble that is only the closing: from here on nothing is
    // shown, and every question reads as Cancel.
    void silence() { silenced_ = true; }

    void warning(const QString &text) { execute(Kind::Warning, text); }
    void information(const QString &text) { execute(Kind::Information, text); }
    bool confirm(Kind kind, const QString &text) { return execute(kind, text, Buttons::OkCancel) == Answer::Ok; }
    // A question whose Ok deletes something: Enter answers Cancel, so only a deliberate Ok deletes.
    bool confirmDeletion(Kind kind, const QString &text)
    {
        return execute(kind, text, Buttons::OkCancel, Answer::Cancel) == Answer::Ok;
    }

    // Test seam, for the whole process. While scripted, nothing is shown on screen: each box is
    // recorded and answered from the queue, with Ok once the queue is empty.
    static void beginScript();
    static void endScript();
    static void queueAnswer(Answer answer);
    static QList<Shown> takeShown();

private:
    QPointer<QWidget> owner_;
    bool silenced_ = false;
};

} // namespace vo
