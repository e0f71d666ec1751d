#pragma once

#include <QString>

// The help file F1 opens in any window: one value for the whole application, which the last
// writer sets.
class ApplicationHelpFile final {
public:
    explicit ApplicationHelpFile(QString initial);
    void set(const QString& path);
    const QString& path() const;

private:
    QString m_path;
};
