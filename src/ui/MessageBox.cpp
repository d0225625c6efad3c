#include "ui/MessageBox.h"

#include <QApplication>
#include <QMessageBox>

#include <deque>
#include <utility>

namespace vo {

namespace {

struct Script
{
    bool active = false;
    std::deque<TMessageBox::Answer> answers;
    QList<TMessageBox::Shown> shown;
};

Script &script()
{
    static Script instance;
    return instance;
}

// The window that owns all others: the main window, whose caption may be a distributor's.
QWidget *rootWindow(QWidget *widget)
{
    QWidget *root = widget ? widget->window() : nullptr;
    while (root && root->parentWidget())
        root = root->parentWidget()->window();
    return root;
}

QMessageBox::Icon iconFor(TMessageBox::Kind kind)
{
    switch (kind) {
    case TMessageBox::Kind::Warning: return QMessageBox::Warning;
    case TMessageBox::Kind::Information: return QMessageBox::Information;
    case TMessageBox::Kind::Error: return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

} // namespace

TMessageBox::TMessageBox(QWidget *owner)
    : QObject(owner), owner_(owner)
{
}

TMessageBox::Answer TMessageBox::execute(Kind kind, const QString &text, Buttons buttons, Answer defaultAnswer)
{
    if (silenced_)
        return Answer::Cancel;
    Script &s = script();
    if (s.active) {
        s.shown.append({kind, text, buttons, defaultAnswer});
        if (buttons == Buttons::Ok || s.answers.empty())
            return Answer::Ok;
        const Answer answer = s.answers.front();
        s.answers.pop_front();
        return answer;
    }

    QWidget *parent = owner_ ? owner_->window() : QApplication::activeWindow();
    const QWidget *root = rootWindow(parent);
    QMessageBox box(iconFor(kind), root ? root->windowTitle() : QApplication::applicationName(), text,
                    buttons == Buttons::Ok ? QMessageBox::Ok : QMessageBox::Ok | QMessageBox::Cancel,
                    parent);
    box.setObjectName(QStringLiteral("msgMainBox"));
    // Messages carry file names and server texts; none of it may become markup.
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(defaultAnswer == Answer::Cancel ? QMessageBox::Cancel : QMessageBox::Ok);
    // Once the application is quitting, exec() returns at once; that must never read as Ok.
    return box.exec() == QMessageBox::Ok ? Answer::Ok : Answer::Cancel;
}

void TMessageBox::beginScript()
{
    Script &s = script();
    s = Script{};
    s.active = true;
}

void TMessageBox::endScript()
{
    script() = Script{};
}

void TMessageBox::queueAnswer(Answer answer)
{
    script().answers.push_back(answer);
}

QList<TMessageBox::Shown> TMessageBox::takeShown()
{
    return std::exchange(script().shown, {});
}

} // namespace vo
