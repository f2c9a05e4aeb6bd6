#include "tests/support/DialogCatcher.h"

#include <QCoreApplication>
#include <QEvent>

DialogCatcher::DialogCatcher()
{
    QCoreApplication::instance()->installEventFilter(this);
}

DialogCatcher::~DialogCatcher()
{
    QCoreApplication::instance()->removeEventFilter(this);
}

bool DialogCatcher::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Show)
        return false;
    auto *dialog = qobject_cast<QDialog *>(watched);
    if (!dialog || !dialog->isWindow() || dialog->windowModality() == Qt::NonModal)
        return false;
    for (const QPointer<QDialog> &seen : std::as_const(m_seen))
        if (seen == dialog)
            return false;
    m_seen.append(dialog);
    m_shown.append(dialog->windowTitle());
    QPointer<QDialog> target(dialog);
    for (int i = 0; i < m_answers.size(); ++i) {
        if (!dialog->metaObject()->inherits(m_answers[i].type))
            continue;
        const auto run = m_answers.takeAt(i).run;
        QMetaObject::invokeMethod(
            this, [this, target, run] {
                if (target)
                    run(target);
                // An answer that did not close its dialog (a failed check
                // returns early) must not leave the test waiting on it.
                if (target && target->isVisible()) {
                    m_unexpected.append(target->windowTitle());
                    target->reject();
                }
            },
            Qt::QueuedConnection);
        return false;
    }
    m_unexpected.append(dialog->windowTitle());
    QMetaObject::invokeMethod(
        this, [target] {
            if (target)
                target->reject();
        },
        Qt::QueuedConnection);
    return false;
}
