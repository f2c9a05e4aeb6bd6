#pragma once
// Brings weights from the program's balance into a window: Ler() (F6) asks
// for one and Cancela() (Esc) gives it up, the waiting shows in a label, and
// the weight read, or a stable weight the balance sends unasked (its print
// key) while the window's weight control has the focus, goes to the window's
// function, which puts it where a typed weight would go. Faults are shown with
// their own message and nothing is stored. Call from the UI thread only.

#include <QObject>

#include <functional>

class QLabel;

class BalancaNaJanela : public QObject {
    Q_OBJECT
public:
    // temFoco: whether the window's weight control has the focus now.
    // recebe: puts a weight (in the calculation unit) where a typed one goes.
    BalancaNaJanela(QObject *parent, QLabel *estado, std::function<bool()> temFoco,
                    std::function<void(double)> recebe);

    void Ler();
    // True when a reading of this window was waiting and is given up.
    bool Cancela();
    bool Lendo() const { return m_pediu; }

    static const QString &TextoLendo();

private:
    void lido(double peso);
    void espontaneo(double peso);
    void falhou(const QString &mensagem);
    void mostraEstado(bool lendo);

    QLabel *m_estado;
    std::function<bool()> m_temFoco;
    std::function<void(double)> m_recebe;
    bool m_pediu = false;
};
