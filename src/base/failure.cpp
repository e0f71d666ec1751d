#include "failure.h"

QString failureMessage(const Failure& failure, const QString& operationName)
{
    return QString::number(failure.number) + failure.description + operationName;
}
