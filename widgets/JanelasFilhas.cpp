#include "widgets/JanelasFilhas.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>

QMdiSubWindow *AbreJanelaFilha(QMdiArea *area, QWidget *form, bool semMaximizar)
{
    const QSize designed = form->size();
    const Qt::WindowFlags flags = semMaximizar ? Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                                     Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint
                                               : Qt::WindowFlags();
    QMdiSubWindow *sub = area->addSubWindow(form, flags);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    const QKeySequence ctrlF4(Qt::CTRL | Qt::Key_F4);
    QList<QAction *> actions = sub->actions();
    if (sub->systemMenu())
        actions += sub->systemMenu()->actions();
    for (QAction *a : actions)
        if (a->shortcut() == ctrlF4)
            a->setShortcut(QKeySequence());
    sub->show();
    // The form's size is the window's outer size, frame included.
    sub->resize(designed);
    area->setActiveSubWindow(sub);
    return sub;
}

QMdiSubWindow *JanelaFilhaDe(QWidget *form)
{
    return form ? qobject_cast<QMdiSubWindow *>(form->parentWidget()) : nullptr;
}

void MostraJanelaFilha(QWidget *form)
{
    if (QMdiSubWindow *sub = JanelaFilhaDe(form)) {
        sub->show();
        if (sub->mdiArea())
            sub->mdiArea()->setActiveSubWindow(sub);
    }
}
