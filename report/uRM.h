#pragma once
// The report module: the report query and the detailed weight report.

#include <QObject>

class TRM : public QObject {
    Q_OBJECT
public:
    explicit TRM(QObject *parent = nullptr);
    ~TRM() override;
};

extern TRM *RM;
