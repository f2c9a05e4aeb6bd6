#pragma once
// The register of empty-capsule lots: a separate top-level window that lives
// for the whole run; closing it only hides it.

#include <QWidget>

class TFormCadPrep : public QWidget {
    Q_OBJECT
public:
    explicit TFormCadPrep(QWidget *parent = nullptr);

protected:
    void closeEvent(QCloseEvent *event) override;
};

extern TFormCadPrep *FormCadPrep;
