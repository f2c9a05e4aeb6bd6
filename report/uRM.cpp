#include "report/uRM.h"

TRM *RM = nullptr;

TRM::TRM(QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("RM"));
}

TRM::~TRM()
{
    if (RM == this)
        RM = nullptr;
}
