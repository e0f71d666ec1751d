#include "applicationhelpfile.h"

ApplicationHelpFile::ApplicationHelpFile(QString initial) : m_path(std::move(initial)) { }

void ApplicationHelpFile::set(const QString& path)
{
    m_path = path;
}

const QString& ApplicationHelpFile::path() const
{
    return m_path;
}
