#pragma once
// Answers the modal dialogs that are not behind the message service (output
// options, preview, print dialogs) for the lifetime of the object: when a modal
// dialog of the class an answer waits for is shown, the answer runs through a
// queued call, inside the dialog's own event loop, and may press its buttons as
// a person would, and must close it. A modal dialog no answer waits for, or one
// its answer left open, is rejected and recorded, so that no test blocks on it.

#include <QDialog>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>

class DialogCatcher : public QObject {
    Q_OBJECT
public:
    DialogCatcher();
    ~DialogCatcher() override;

    // The next modal dialog of class D (or derived from it) is handed to answer.
    template <typename D>
    void answer(std::function<void(D *)> answer)
    {
        m_answers.append({&D::staticMetaObject, [answer](QDialog *d) { answer(static_cast<D *>(d)); }});
    }

    // Answers still waiting for their dialog.
    int pending() const { return int(m_answers.size()); }
    // Window titles of the modal dialogs shown, in order.
    const QStringList &shown() const { return m_shown; }
    // Window titles of the modal dialogs no answer waited for or closed.
    const QStringList &unexpected() const { return m_unexpected; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Answer {
        const QMetaObject *type;
        std::function<void(QDialog *)> run;
    };
    QList<Answer> m_answers;
    QList<QPointer<QDialog>> m_seen;
    QStringList m_shown;
    QStringList m_unexpected;
};
