#include "failure.h"

Failure noCurrentEntry()
{
    return { FailureNumber::NoCurrentEntry,
             QStringLiteral("No current entry: the cursor stands before the first or after the last entry.") };
}

QString failureMessage(const Failure& failure, const QString& operationName)
{
    return QString::number(failure.number) + failure.description + operationName;
}
